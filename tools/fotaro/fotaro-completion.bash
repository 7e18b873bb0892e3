# Bash completion of fotaro, installed as share/bash-completion/completions/fotaro.
#
# The commands and their options are read from the program's own help (`fotaro --help` and
# `fotaro COMMAND --help`), so that they always match the program being completed. Values of the
# options that name a file or a folder complete as such; other values (addresses, numbers, texts)
# are left to the user; the other arguments are files.

# The names in the "Subcommands:" list, or the options with a mark "=" after the ones that take a
# value, of one help text on stdin.
_fotaro_help_words() {
  awk -v want="$1" '
    /^[^ ]/ { section = $1 }
    want == "commands" && section == "Subcommands:" && /^  [a-z]/ { print $1 }
    want == "options" && section == "Options:" && /^  -/ {
      spec = $0
      sub(/^ +/, "", spec)
      sub(/  .*/, "", spec)          # the option column ends at the first run of blanks
      n = split(spec, parts, " ")
      takes = n > 1 && parts[2] != "Needs:" && parts[2] != "Excludes:" && parts[2] != "REQUIRED"
      count = split(parts[1], names, ",")
      for (i = 1; i <= count; i++) print names[i] (takes ? "=" : "")
    }'
}

_fotaro() {
  local program=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]} prev=""
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()

  # The command is the first word after the program that is not an option.
  local command="" i
  for ((i = 1; i < COMP_CWORD; i++)); do
    if [[ ${COMP_WORDS[i]} != -* ]]; then
      command=${COMP_WORDS[i]}
      break
    fi
  done
  local commands
  if [[ -z $command || $command == help ]]; then
    commands=$("$program" --help 2>/dev/null | _fotaro_help_words commands)
    [[ -z $command ]] && commands+=" --help -h --version"
    mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
    return
  fi

  local options
  options=$("$program" "$command" --help 2>/dev/null | _fotaro_help_words options)
  # The value of an option. (Bash splits "--file SPEC=PATH" at the "=", so a path after it
  # completes as a file below.)
  if [[ $prev == -* ]] && grep -qxF -- "$prev=" <<<"$options"; then
    case $prev in
      --picture | --watermark-picture | --result) mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
      --store | -o | --output) mapfile -t COMPREPLY < <(compgen -d -- "$cur") ;;
    esac
    return
  fi
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "${options//=/}" -- "$cur")
    return
  fi
  mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}

complete -o filenames -F _fotaro fotaro
