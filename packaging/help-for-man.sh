#!/bin/sh
# What help2man makes a manual page of: the --help of the program named by TORVANE_HELP_PROGRAM, as the
# program prints it, so that the page cannot say anything else. Where TORVANE_HELP_COMMANDS is set, the
# --help of every command the program lists under "Commands:" follows, each under a section of its own.
# Paragraphs that give exit statuses are gathered (each once) into a section of their own.
set -eu
[ "${1:-}" = --help ] || { echo "usage: TORVANE_HELP_PROGRAM=PROGRAM $0 --help" >&2; exit 2; }
# Run by its bare name, so that its usage lines name it as a user types it.
PATH=$(dirname "$TORVANE_HELP_PROGRAM"):$PATH
program=$(basename "$TORVANE_HELP_PROGRAM")
{
  "$program" --help
  if [ -n "${TORVANE_HELP_COMMANDS:-}" ]; then
    for command in $("$program" --help | sed -n '/^Commands:$/,/^$/s/^  \([a-z][a-z0-9-]*\)  .*/\1/p'); do
      printf '\n*%s %s*\n\n' "$program" "$command"
      # "Options:" would start the page's one OPTIONS section.
      "$program" "$command" --help | sed "s/^Options:\$/Options of $command:/"
    done
  fi
} | awk '
  function flush() {
    if (para == "") return
    if (para ~ /Exit status:/) { if (!(para in seen)) { seen[para] = 1; exits[++n] = para } }
    else printf "%s\n\n", para
    para = ""
  }
  /^$/ { flush(); next }
  { para = para == "" ? $0 : para "\n" $0 }
  END {
    flush()
    if (n) { printf "*Exit status*\n\n"; for (i = 1; i <= n; i++) printf "%s\n\n", exits[i] }
  }'
