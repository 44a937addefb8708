#!/usr/bin/env bash
# Fails when docs/reference.md no longer matches what the built module
# registers. Arguments: srcds-sim, the scenario, travik-reference, the file.
set -uo pipefail
sim=$1 scenario=$2 tool=$3 doc=$4
listing=$("$sim" --quiet --scenario "$scenario") || {
    echo "srcds-sim could not list the plug-in's variables and commands" >&2
    exit 1
}
fresh=$(printf '%s\n' "$listing" | "$tool") || exit 1
if ! diff -u --label "$doc (checked in)" --label "the module" "$doc" <(printf '%s\n' "$fresh"); then
    echo "docs/reference.md no longer matches the module: run ./run reference and commit the file" >&2
    exit 1
fi
