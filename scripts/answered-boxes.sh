#!/usr/bin/env bash
# Prints the lines of an unattended run's box log (on stdin) for a person to
# read: each box after "Answered with its default", with the line breaks and
# tabs of its caption and text as they are shown.
set -euo pipefail
iconv -f CP1252 -t UTF-8 |
    awk -F'\t' '
        function shown(s,    out, i, c) {
            out = ""
            for (i = 1; i <= length(s); i++) {
                c = substr(s, i, 1)
                if (c == "\\" && i < length(s)) {
                    c = substr(s, ++i, 1)
                    if (c == "n")
                        c = "\n"
                    else if (c == "t")
                        c = "\t"
                }
                out = out c
            }
            return out
        }
        {
            caption = ($3 == "" ? "" : "\"" shown($3) "\": ")
            printf "Answered with its default: %s %s%s\n", $1, caption, shown($4)
        }'
