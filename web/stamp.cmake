# Writes the site's service worker from its template: @FILES@ becomes the
# list of the site's files, @STAMP@ a digest of their contents.
#   cmake -DSITE=<site folder> -DTEMPLATE=<sw.js> -P stamp.cmake
file(GLOB_RECURSE files RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM files sw.js)
list(SORT files)
set(digests "")
set(names "")
foreach(f IN LISTS files)
  file(SHA256 ${SITE}/${f} digest)
  string(APPEND digests "${f} ${digest}\n")
  string(APPEND names "  './${f}',\n")
endforeach()
string(SHA256 STAMP "${digests}")
string(SUBSTRING ${STAMP} 0 16 STAMP)
set(FILES "${names}")
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
