#!/bin/sh
# Formats every *.xml file below the current folder, one quillen per file,
# on every core, with xargs. Outputs (*_for.*) are skipped, refused files do
# not stop the others, and the messages of the files that were not saved
# are collected in refused.log.
find . -name '*.xml' ! -name '*_for.*' -print0 |
    xargs -0 -n1 -P"$(nproc)" quillen 2>refused.log
