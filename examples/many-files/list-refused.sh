#!/bin/sh
# After one of the recipes: every file that was not saved, with its exit
# status (from GNU parallel's job log), then every file that could not be
# loaded, with tinyxml2's code (from the messages in refused.log).
[ ! -f quillen.joblog ] || awk -F '\t' 'NR > 1 && $7 != 0 { print $7 "\t" $9 }' quillen.joblog
LC_ALL=C sed -n 's/^Error loading file: \(.*\)\. Error code: \([0-9]*\)\.$/\2\t\1/p' refused.log
