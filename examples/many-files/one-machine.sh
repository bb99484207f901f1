#!/bin/sh
# Formats every *.xml file below the current folder, one quillen per file,
# on every core, with GNU parallel. Outputs (*_for.*) are skipped, refused
# files do not stop the others; quillen.joblog records the exit status of
# every file, refused.log the messages of those that were not saved.
find . -name '*.xml' ! -name '*_for.*' -print0 |
    parallel -0 --joblog quillen.joblog quillen {} 2>refused.log
