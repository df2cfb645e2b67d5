#!/usr/bin/env bash
# The bash completion of `vedra`: what it offers after the command name, after
# global options and their values, for each command's options, the languages, and
# the paths (folders only for --on-disk); that it offers every command and
# option that `vedra --help` of the vedra binary given as $1 lists; and that its
# options are those of the verbs' option tables, as the program given as $3 lists them.
helpers=/usr/share/bash-completion/bash_completion
if [[ ! -f $helpers ]]; then
  echo "skipped: $helpers is missing (install the Debian package bash-completion)"
  echo "0 passed, 0 failed, 1 skipped"
  exit 0
fi
completion=$(cd "$(dirname "$0")/../../resources/completion" && pwd)/vedra
# The helpers read unset variables on purpose: no `set -u` while they load.
# shellcheck source=/dev/null
source "$helpers"
# shellcheck source=/dev/null
source "$completion"
set -u
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The sorted offers, one a line, for a command line whose last word is being typed.
offers() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _vedra vedra "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
  [[ ${#COMPREPLY[@]} -eq 0 ]] || printf '%s\n' "${COMPREPLY[@]}" | sort
}
# expect "WHAT" "OFFERS" WORD...: the offers for the words must be exactly OFFERS (blank-separated).
expect() {
  local what=$1 want got
  want=$(tr ' ' '\n' <<<"$2" | sed '/^$/d' | sort)
  shift 2
  got=$(offers "$@")
  [[ $got == "$want" ]] || fail "$what: got [$(tr '\n' ' ' <<<"$got")], want [$(tr '\n' ' ' <<<"$want")]"
}

# The complete command list, as `vedra --help` names the commands.
commands="archives calc create fetch graph index info memo notes ocr open print roots search show stats watch"
expect "commands" "$commands" vedra ''
expect "commands after a global option's value" "$commands" vedra --workdir /tmp/w --lang it ''
expect "commands after --no" "$commands" vedra --no ''
expect "commands starting with s" "search show stats" vedra s
expect "global options" "--help --lang --memory --no --workdir" vedra --
expect "languages" "en es it" vedra --lang ''
expect "languages starting with e" "en es" vedra --lang e
# A value that looks like a command is the value, not the command.
expect "the --workdir value is not the command" "$commands" vedra --workdir index ''
expect "commands after --memory's value" "$commands" vedra --memory 64 ''

expect "watch options" "--archive --disable --enable --pause --pending-limit --quiet-ms --resume --status" vedra watch --
expect "--enable rules out --disable" "--archive --pause --pending-limit --quiet-ms --resume --status" vedra watch --enable --
expect "index options" "--converter-memory --converter-time --dirs --files --json --no-subfolders --single --unpack --update" vedra index --
expect "index options not given twice" "--converter-memory --converter-time --dirs --files --json --no-subfolders --single --update" vedra index /x --unpack --
expect "--update rules out --single" "--converter-memory --converter-time --dirs --files --json --no-subfolders" vedra index /x --unpack --update --
expect "search options" \
  "--all-archives --contiguous --count --dirs --extracts --files --in-path --json --limit --on-disk --or --order --words-or" vedra search --
expect "create options" "--cut --description --disk --min --more-types --number --ocr" vedra create docs --
expect "notes: add or search" "add search" vedra notes ''
expect "notes search takes --or" "--or" vedra notes search anna --
expect "notes add takes no option" "" vedra notes add --
expect "roots: add or list" "add list" vedra roots ''
expect "ocr: on or off" "on off" vedra ocr ''
expect "roots add takes no option" "" vedra roots add --
expect "the words of roots add are not completed" "" vedra roots add json ''
expect "the words of a search are not completed" "" vedra search free ''
expect "a pattern value is not completed" "" vedra index /x --files ''
expect "a --limit value is not completed" "" vedra search free --limit ''
expect "the orders" "archive date path relevance size" vedra search free --order ''
expect "orders starting with r" "relevance" vedra search --order r
expect "words after an --order value" "" vedra search --order size ''

# Paths: files and folders for index, show, open and fetch DEST; folders only for --on-disk and --workdir.
mkdir -p "$tmp/docs" "$tmp/dogs"
: >"$tmp/doc.txt"
expect "index path" "$tmp/doc.txt $tmp/docs $tmp/dogs" vedra index "$tmp/do"
expect "index path after options" "$tmp/doc.txt $tmp/docs $tmp/dogs" vedra --lang es index --unpack "$tmp/do"
expect "show file" "$tmp/doc.txt $tmp/docs $tmp/dogs" vedra show "$tmp/do"
expect "show words after the file" "" vedra show "$tmp/doc.txt" "$tmp/do"
expect "print file" "$tmp/doc.txt $tmp/docs $tmp/dogs" vedra print "$tmp/do"
expect "--on-disk folders only" "$tmp/docs $tmp/dogs" vedra search --on-disk "$tmp/do"
expect "--workdir folders only" "$tmp/docs $tmp/dogs" vedra --workdir "$tmp/do"
expect "fetch URL is not a path" "" vedra fetch "$tmp/do"
expect "fetch DEST" "$tmp/doc.txt $tmp/docs $tmp/dogs" vedra fetch http://127.0.0.1:8080/a.html "$tmp/do"

# A command or option added to vedra is offered too: the offers match `vedra --help`.
vedra=${1:-}
if [[ -x $vedra ]]; then
  help=$("$vedra" --help)
  expect "global options of vedra --help" "$(sed -n 's/^  \(--[a-z-]*\).*/\1/p' <<<"$help")" vedra --
  listed=$(sed -n 's/^  \([a-z][a-z]*\).*/\1/p' <<<"$help")
  expect "commands of vedra --help" "$listed" vedra ''
  for command in $listed; do
    usage=$(grep -m 1 "^  $command\b" <<<"$help")
    options=$(grep -o -- '--[a-z-]*' <<<"$usage" | sort -u)
    case $command in
      notes | memo) expect "$command options of vedra --help" "$options" vedra "$command" search --;;
      *) expect "$command options of vedra --help" "$options" vedra "$command" --;;
    esac
  done
else
  fail "no vedra binary given to compare with its --help"
fi

# The offers match the option tables the verbs parse with ($3 lists them): the
# options of each verb and form, which of them take a value, and which exclude
# each other.
table=${3:-}
if [[ -x $table ]]; then
  rows=$("$table")
  [[ -n $rows ]] || fail "the option table is empty"
  while IFS= read -r form; do
    read -ra form_words <<<"$form"
    options=$(awk -F'\t' -v form="$form" '$1 == form && $2 != "" {print $2}' <<<"$rows")
    expect "$form options of the option table" "$options" vedra "${form_words[@]}" --
  done < <(cut -f1 <<<"$rows" | sort -u)
  while IFS=$'\t' read -r form option kind excluded; do
    [[ -n ${option:-} ]] || continue
    command=${form%% *}
    if [[ $kind == flag ]]; then
      ! _vedra_takes_value "$command" "$option" || fail "$form $option is a flag but is completed as taking a value"
    elif ! _vedra_takes_value "$command" "$option"; then
      fail "$form $option takes a value but is not completed as one"
    fi
    if [[ -n ${excluded:-} ]]; then
      read -ra form_words <<<"$form"
      ! offers vedra "${form_words[@]}" /x "$excluded" -- | grep -qx -- "$option" || fail "$form offers $option after $excluded"
      ! offers vedra "${form_words[@]}" /x "$option" -- | grep -qx -- "$excluded" || fail "$form offers $excluded after $option"
    fi
  done <<<"$rows"
else
  fail "no option table given to compare with"
fi

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
