#!/usr/bin/env bash
# Checks every include of src/, tests/ and bench/ against the folder table of
# ARCHITECTURE.md and what each file's target links, and the libraries each
# test links. Takes the project's root as an argument (or ORVELLA_ROOT); by
# default this checkout.
# Exits 1 on a broken rule, 2 when it cannot read the table or the targets.
exec python3 "$(dirname "$0")/check_layers.py" "$@"
