# Writes the site's files.json and its service worker. files.json holds the
# size of each file of the site, so that the page can tell a file cut short or
# replaced by an error page from the one this build made, and the build's id: a
# hash of those files and of the worker's source. The service worker is WORKER
# with its SITE given that id and the files' sizes (files.json's too): it keeps
# this build's files in a cache named for the id, and a build that changes any
# file gives a new worker, which the browser takes as an update.
# Run with -DSITE=<folder> -DFILES=<paths in it, comma-separated> -DWORKER=<source>.
string(REPLACE "," ";" _files "${FILES}")
set(_entries "")
set(_hashes "")
foreach(file IN LISTS _files)
  file(SIZE "${SITE}/${file}" _size)
  file(SHA256 "${SITE}/${file}" _hash)
  list(APPEND _entries "\"${file}\": { \"size\": ${_size} }")
  string(APPEND _hashes "${file} ${_hash}\n")
endforeach()
file(SHA256 "${WORKER}" _hash)
string(APPEND _hashes "service-worker.js ${_hash}\n")
string(SHA256 _build "${_hashes}")
string(SUBSTRING "${_build}" 0 16 _build)

list(JOIN _entries ",\n    " _body)
file(WRITE "${SITE}/files.json.tmp" "{\n  \"build\": \"${_build}\",\n  \"files\": {\n    ${_body}\n  }\n}\n")
file(RENAME "${SITE}/files.json.tmp" "${SITE}/files.json")

# The worker's SITE: the same, with files.json, which the page fetches first.
file(SIZE "${SITE}/files.json" _size)
list(APPEND _entries "\"files.json\": { \"size\": ${_size} }")
list(JOIN _entries ",\n    " _body)
file(READ "${WORKER}" _worker)
set(_marker "/* SITE */ { build: '', files: {} }")
string(FIND "${_worker}" "${_marker}" _at)
if(_at EQUAL -1)
  message(FATAL_ERROR "${WORKER} has no ${_marker} for the build to fill in")
endif()
string(REPLACE "${_marker}" "{\n  \"build\": \"${_build}\",\n  \"files\": {\n    ${_body}\n  }\n}" _worker "${_worker}")
file(WRITE "${SITE}/service-worker.js.tmp" "${_worker}")
file(RENAME "${SITE}/service-worker.js.tmp" "${SITE}/service-worker.js")
