#!/bin/sh
# Compiles one engine object, then checks the headers the compiler read
# (cmake/CheckIncludes.cmake).
#
#   sh CheckedCompile.sh <cmake> <repository> <layer> <folders it sees,
#      comma separated> <compiler command...>
cmake=$1 root=$2 layer=$3 seen=$4
shift 4
"$@" || exit
depfile='' object='' previous=''
for arg in "$@"; do
  case $previous in
    -MF) depfile=$arg ;;
    -o) object=$arg ;;
  esac
  previous=$arg
done
exec "$cmake" -DROOT="$root" -DLAYER="$layer" -DSEEN="$seen" -DDEPFILE="$depfile" -DOBJECT="$object" \
  -P "$root/cmake/CheckIncludes.cmake"
