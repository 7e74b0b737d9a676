# Writes the C++ source that records the update module's size and SHA-256 in the program, which
# checks the module against them before loading it. Run after the module is linked:
#   cmake -DMODULE=path/to/module.so -DOUTPUT=path/to/source.cpp -P updatemoduleidentity.cmake
file(SIZE "${MODULE}" module_size)
file(SHA256 "${MODULE}" module_sha256)
set(source "// Made by the build from the update module it was linked with; do not edit.
#include \"app/updatelauncher.h\"

const UpdateModuleIdentity BuiltUpdateModule{${module_size}, \"${module_sha256}\"};
")
# Written only when it differs, so that the program is not relinked for nothing.
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL source)
  file(WRITE "${OUTPUT}" "${source}")
endif()
