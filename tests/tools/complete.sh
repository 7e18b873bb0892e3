#!/usr/bin/env bash
# Asks a bash completion function as bash does and prints its answers, sorted, one a line.
#   complete.sh COMPLETION_SCRIPT PROGRAM WORD...    (the last word is the one being completed)
source "$1"
shift
COMP_WORDS=("$@")
COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
"$(complete -p "$(basename "$1")" | sed -n 's/.*-F \([^ ]*\).*/\1/p')"
[ ${#COMPREPLY[@]} -gt 0 ] && printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort
exit 0
