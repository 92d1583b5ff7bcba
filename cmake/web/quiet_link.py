#!/usr/bin/env python3
"""Runs a link (the command after it) with binaryen's warnings about the
ASYNCIFY remove list's names that the program lacks left out: the list names
every function of the libraries (asyncify_remove.py), of which a program links
only some, so each link would print thousands of them. Everything else the
link prints goes through as it is, and its exit status is the link's."""
import subprocess
import sys

UNUSED = ("Asyncify removelist contained a non-existing function name",
          "Asyncify removelist contained a non-matching pattern")

link = subprocess.Popen(sys.argv[1:], stderr=subprocess.PIPE, text=True, errors="replace")
for line in link.stderr:
    if not any(u in line for u in UNUSED):
        sys.stderr.write(line)
sys.exit(link.wait())
