#!/bin/sh
# apt-get, patient with the mirrors. A mirror in the middle of a sync serves an
# index or a package whose size does not match its release file for a few
# minutes (or a caching proxy keeps serving a stale copy); apt then fails the
# whole step. apt retries each file itself, and each step is tried again after
# a pause. An update that still fails leaves the indexes that did download in
# place: the step after it (install, download, resolve) fails with the name of
# what is really missing, so the update itself does not stop the build.
#
# usage: apt-retry.sh APT-GET-ARGUMENTS...   (K7_APT_PAUSES: seconds between tries)
set -u
[ $# -gt 0 ] || { echo "usage: apt-retry.sh APT-GET-ARGUMENTS..."; exit 2; }
for pause in ${K7_APT_PAUSES:-5 15} last; do
  apt-get -o Acquire::Retries=3 "$@" && exit 0
  status=$?
  [ "$pause" = last ] && break
  echo "apt-retry: apt-get $* failed ($status); trying again in $pause s"
  sleep "$pause"
done
case " $* " in *" update "*)
  echo "apt-retry: apt-get update failed on every try; going on with the indexes that did download"
  exit 0 ;;
esac
exit "$status"
