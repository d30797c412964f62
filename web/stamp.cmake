# Run by the browser build once its files are made (cmake -P): the build id, a hash of every
# file a visit needs, stamped into the service worker; velmar-build.json with the id and each
# file's size; and the compressed copies of the large files.
#   -DDIR=build folder -DFILES=a,b,... -DTEMPLATE=web/velmar-sw.js [-DBROTLI=brotli program]
string(REPLACE "," ";" files "${FILES}")
set(sums "")
set(sizes "")
set(names "")
foreach(f ${files})
  file(SHA256 ${DIR}/${f} sum)
  file(SIZE ${DIR}/${f} size)
  string(APPEND sums ${sum})
  list(APPEND sizes "\"${f}\": ${size}")
  list(APPEND names "'${f}'")
endforeach()
string(SHA256 id "${sums}")
string(SUBSTRING ${id} 0 16 VELMAR_BUILD)
list(JOIN sizes ", " sizes)
list(JOIN names ", " VELMAR_FILES)
file(WRITE ${DIR}/velmar-build.json "{\"build\": \"${VELMAR_BUILD}\", \"files\": {${sizes}}}\n")
configure_file(${TEMPLATE} ${DIR}/velmar-sw.js @ONLY)

# Only the program and its loader shrink by much (the content pack is mostly MP3 and JPEG).
foreach(f velmar.wasm velmar.js)
  execute_process(COMMAND gzip -9 -n -c ${DIR}/${f} OUTPUT_FILE ${DIR}/${f}.gz COMMAND_ERROR_IS_FATAL ANY)
  if(BROTLI)
    execute_process(COMMAND ${BROTLI} -q 11 -f -o ${DIR}/${f}.br ${DIR}/${f} COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
