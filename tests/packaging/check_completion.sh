#!/bin/bash
# Sources grabulo-cli's bash completion and calls its function as bash does
# on Tab, with COMP_WORDS and COMP_CWORD set, comparing what it offers with
# what it should (as sorted sets) for each command line of the table below.
# Usage: check_completion.sh COMPLETION_FILE
set -u
script=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# shellcheck source=/dev/null
source "$script" || { echo "FAIL: $script does not source" >&2; exit 1; }
[[ $(complete -p grabulo-cli 2>/dev/null) == *'-F _grabulo_cli grabulo-cli' ]] ||
  { echo "FAIL: grabulo-cli has no completion function" >&2; exit 1; }

# Files for the folder and file cases.
mkdir "$tmp/pics" "$tmp/my pics"
touch "$tmp/addresses.txt" "$tmp/pass"
cd "$tmp" || exit 1

failures=0
# check EXPECTED WORD...: the words of the line, the last the one completed
# ('' after a space).
check() {
  local expected=$1 got want
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _grabulo_cli grabulo-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | paste -sd '|')
  want=$(tr -s ' ' '\n' <<<"$expected" | sed '/^$/d' | sort | paste -sd '|')
  if [[ $got != "$want" ]]; then
    echo "FAIL: '$*' offers [$got], not [$want]" >&2
    failures=$((failures + 1))
  fi
}

types='pictures jpg gif png html audio mp3 ogg avi mpeg real swf wmv asf mp4 video all webp avif svg'

check '--find'                        grabulo-cli --fi
check 'links embedded both'           grabulo-cli --find ''
check 'embedded'                      grabulo-cli --find e
check 'links'                         grabulo-cli --find = l
check 'both'                          grabulo-cli --find=b
check 'links embedded both'           grabulo-cli -q --find ''
check "$types"                        grabulo-cli --type ''
check "$types"                        grabulo-cli -t ''
check 'pictures png'                  grabulo-cli -t p
check 'mp3 mp4 mpeg'                  grabulo-cli -qet m
check 'en sl'                         grabulo-cli --lang ''
check 'sl'                            grabulo-cli --lang s
check '1 2 3 4 5 6 7 8'               grabulo-cli -j ''
check '--no-keep-alive'               grabulo-cli --no-k
check '--no-http2'                    grabulo-cli --no-h
check '--keep-alive'                  grabulo-cli --e --k
check '--verbose --version'           grabulo-cli --ve
check '--password-file --proxy --parallel --pages' grabulo-cli --p
check ''                              grabulo-cli -- --fi
check ''                              grabulo-cli example.org/x/
check ''                              grabulo-cli --timeout ''
check ''                              grabulo-cli -u ''
check ''                              grabulo-cli --min-size ''
check '--min-size'                    grabulo-cli --mi
check ''                              grabulo-cli -ofoo -t=x ''
# Folders only for the output; files (and folders, to walk into) for input.
check 'pics'                          grabulo-cli -o p
check 'pics'                          grabulo-cli -qo p
check 'pics'                          grabulo-cli --output p
check 'pics'                          grabulo-cli --output = p
check 'addresses.txt'                 grabulo-cli -i a
check 'addresses.txt'                 grabulo-cli --input a
check 'pass pics'                     grabulo-cli --password-file p
check ''                              grabulo-cli -j5 p
check 'addresses.txt'                 grabulo-cli --cookies a
check ''                              grabulo-cli --wait ''
check ''                              grabulo-cli --pages ''
check ''                              grabulo-cli --limit-rate ''
check '--limit-rate'                  grabulo-cli --lim

# A folder with a space comes back as one entry.
COMP_WORDS=(grabulo-cli -o 'my'); COMP_CWORD=2; COMPREPLY=()
_grabulo_cli grabulo-cli my -o
[[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == 'my pics' ]] ||
  { echo "FAIL: -o my offers [${COMPREPLY[*]}], not [my pics]" >&2; failures=$((failures + 1)); }

# Every option the program takes is offered after "-".
check '--find -e --embedded -t --type --modern --no-modern -o --output -i --input --list
       -j --parallel --keep-alive --no-keep-alive --http2 --no-http2 --skip-saved --no-skip-saved -T --timeout
       --low-speed --min-size --proxy --no-proxy --cookies --wait --pages --limit-rate -u --user --password-file -q --quiet -v --verbose
       --lang --no-progress -h --help -V --version' grabulo-cli -

if ((failures)); then
  echo "$failures completion check(s) failed" >&2
  exit 1
fi
echo "grabulo-cli's completion offers what it should"
