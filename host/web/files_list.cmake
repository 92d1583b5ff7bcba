# Writes the site's files.json: the size of each file the page fetches, so that
# the page can tell a file cut short or replaced by an error page from the one
# this build made. Run with -DSITE=<folder> -DFILES=<paths in it, comma-separated>.
string(REPLACE "," ";" _files "${FILES}")
set(_entries "")
foreach(file IN LISTS _files)
  file(SIZE "${SITE}/${file}" _size)
  list(APPEND _entries "    \"${file}\": { \"size\": ${_size} }")
endforeach()
list(JOIN _entries ",\n" _body)
file(WRITE "${SITE}/files.json.tmp" "{\n  \"files\": {\n${_body}\n  }\n}\n")
file(RENAME "${SITE}/files.json.tmp" "${SITE}/files.json")
