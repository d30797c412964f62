# The browser build's two copies of the clip library. A page is one WebAssembly module, so the
# copies are linked in, not loaded: each source is compiled once per copy inside a namespace of
# the copy's name (clpdll, clpdll2), which gives every decoder global and function two separate
# definitions, and the four exports, which have C names, are renamed per copy by macros. Each
# copy registers its exports with the platform under its library's name, where LoadLibraryA and
# GetProcAddress find them. The standard and platform headers are included first, outside the
# namespace, so that only the library's own declarations land inside it. The sources are the
# ones clip/CMakeLists.txt names for every build.
foreach(copy clpdll clpdll2)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${copy})
  set(sources)
  foreach(src ${CLP_CONTAINER_SOURCES} ${CLP_DECODER_SOURCES})
    file(CONFIGURE OUTPUT ${dir}/${src} CONTENT "\
// One source of the clip library, compiled for the copy ${copy}.
#include \"clip/clp_copy_prelude.h\"
namespace ${copy} {
#include \"clip/${src}\"
}
")
    list(APPEND sources ${dir}/${src})
  endforeach()
  file(CONFIGURE OUTPUT ${dir}/exports.cpp CONTENT "\
// The exports of the clip library's copy ${copy}, registered under its library's name.
#include \"clip/clp.h\"
#include \"platform/pl_platform.h\"
namespace {
const PL_ModuleExport kExports[] = {
    {\"newstream\", reinterpret_cast<FARPROC>(&newstream)},
    {\"startstream\", reinterpret_cast<FARPROC>(&startstream)},
    {\"updatestream\", reinterpret_cast<FARPROC>(&updatestream)},
    {\"deletestream\", reinterpret_cast<FARPROC>(&deletestream)},
};
[[maybe_unused]] const int kRegistered = PL_ModuleRegister(\"${copy}\", kExports, 4);
}  // namespace
")
  add_library(${copy} OBJECT ${sources} ${dir}/exports.cpp)
  target_include_directories(${copy} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${copy} PRIVATE newstream=${copy}_newstream startstream=${copy}_startstream
                             updatestream=${copy}_updatestream deletestream=${copy}_deletestream)
  # The decoder's options, as natively (the container shares them, one target being one copy):
  # in the page, too, -O3 decodes in about 70 % of the time the build's -O2 takes (the twin
  # test's seven decodes of 1000 frames: 6.3 s against 8.9 s).
  target_compile_options(${copy} PRIVATE ${CLP_DECODER_OPTIONS})
endforeach()
