#!/usr/bin/env python3
"""Writes the names of the library functions that ASYNCIFY leaves as they are.

usage: asyncify_remove.py NM OUT IMPORTS ARCHIVE...

ASYNCIFY instruments every function that may be on the stack when the program
waits (WaitForInput and the like), and since it cannot tell where an indirect
call goes, that is every function that makes one, and all their callers: most
of freetype, harfbuzz, libpng and the C and C++ libraries, which only draw,
decode and format and never wait. Their instrumented code is a fifth of the
program and slows each call. The libraries' functions are listed here so that
the build leaves them out, but for those that may reach a wait:
- the functions of any object file that calls a waiting import itself
  (emscripten's own, such as SDL_Delay's emscripten_sleep and fsync's
  fd_sync, and the program's IMPORTS, comma-separated);
- the C library's functions that call back into the program (exit and its
  handlers, qsort, bsearch, once-calls, tree and directory walks).
A name left out of the list only costs size, so names the list format cannot
carry (unbalanced brackets, as in operator<) are left out too.
"""
import re
import subprocess
import sys

# The imports emscripten itself lets wait.
WAITING_IMPORTS = {
    "emscripten_sleep", "emscripten_wget", "emscripten_wget_data", "emscripten_idb_load",
    "emscripten_idb_store", "emscripten_idb_delete", "emscripten_idb_exists",
    "emscripten_idb_load_blob", "emscripten_idb_store_blob", "SDL_Delay",
    "emscripten_scan_registers", "emscripten_lazy_load_code", "emscripten_fiber_swap",
    "fd_sync", "__wasi_fd_sync", "_emval_await", "_dlopen_js",
}

CALLS_BACK = re.compile(
    r"(exit|_Exit|__funcs_on_exit|__libc_exit_fini|__stdio_exit.*|atexit|__cxa_atexit|"
    r"__cxa_finalize|__cxa_thread_atexit.*|qsort|qsort_r|bsearch|pthread_once|__pthread_once.*|"
    r"call_once|std::__2::__call_once.*|tsearch|twalk|tfind|tdelete|nftw|ftw|scandir|main|"
    r"__main_argc_argv|__main_void|_start)")


def balanced(name):
    for left, right in ("()", "<>", "[]", "{}"):
        depth = 0
        for c in name:
            depth += (c == left) - (c == right)
            if depth < 0:
                return False
        if depth != 0:
            return False
    return True


def main():
    nm, out, imports, archives = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    waiting = WAITING_IMPORTS | set(filter(None, imports.split(",")))
    names = set()
    for archive in archives:
        listing = subprocess.run([nm, "-A", "-C", archive], check=True, capture_output=True,
                                 text=True).stdout
        defined = {}  # object file -> its functions
        waits = set()  # object files that call a waiting import
        for line in listing.splitlines():
            # "archive:member: [address] type name"
            match = re.match(r"(.*?\.a:[^:]*):\s+(?:[0-9a-f]+\s+)?([A-Za-z])\s+(.*)$", line)
            if not match:
                continue
            member, kind, name = match.groups()
            if kind == "U" and (name in waiting or name.startswith("__asyncjs__")):
                waits.add(member)
            elif kind in "tTW":
                defined.setdefault(member, set()).add(name)
        for member, functions in defined.items():
            if member not in waits:
                names |= functions
    kept = sorted(n for n in names if balanced(n) and not CALLS_BACK.fullmatch(n))
    with open(out, "w") as f:
        f.write(",".join(kept))


if __name__ == "__main__":
    main()
