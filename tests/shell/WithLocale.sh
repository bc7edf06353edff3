#!/usr/bin/env bash
# Runs a test in one locale, as a machine set to it would: C with no locale
# variable at all (the POSIX locale of a fresh machine), any other through
# LANG, with every variable that would override LANG removed.
#
#   bash tests/shell/WithLocale.sh LOCALE COMMAND...
#
# A locale the machine lacks is a skip, not a failure; `scripts/setup.sh test`
# generates en_US.UTF-8.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: tests/shell/WithLocale.sh LOCALE COMMAND..." >&2
  exit 2
fi
name=$1
shift
for variable in $(compgen -e); do
  case $variable in LC_* | LANGUAGE) unset "$variable" ;; esac
done
if [ "$name" = C ]; then unset LANG; else export LANG=$name; fi
# locale(1) complains on standard error about a locale that is not installed.
if [ -n "$(locale 2>&1 >/dev/null)" ]; then
  echo "SKIP: the locale $name is not installed here (scripts/setup.sh test generates en_US.UTF-8)"
  # 77 is the status CTest counts as skipped.
  exit 77
fi
exec "$@"
