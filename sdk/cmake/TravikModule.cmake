# travik_module(target): makes a SHARED library target a loadable module of
# the host (a plug-in, or a test module):
# - links tier1 statically and the host's tier0 and vstdlib dynamically, so
#   that console output and registration go to the host process's copies;
# - hidden visibility and a version script: CreateInterface is the only
#   exported symbol, and the module binds its own definitions first;
# - no GNU unique symbols, so that dlclose really unloads the module and a
#   reload starts with fresh globals.
set(TRAVIK_MODULE_MAP ${CMAKE_CURRENT_LIST_DIR}/module.map CACHE INTERNAL "The version script of modules")

function(travik_module target)
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    C_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(WIN32)
    # A DLL exports exactly what is marked dllexport (CreateInterface) and
    # resolves every symbol at link time anyway (the toolchain file links
    # the MinGW runtimes in statically).
    set_target_properties(${target} PROPERTIES PREFIX "")
  else()
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${target} PRIVATE -fno-gnu-unique)
    endif()
    target_link_options(${target} PRIVATE
      -Wl,--version-script=${TRAVIK_MODULE_MAP}
      -Wl,-Bsymbolic-functions)
    # Sanitizer runtimes are resolved from the executable, so only a plain
    # build can insist that every symbol is resolved at link time.
    if(NOT TRAVIK_SANITIZE AND NOT TRAVIK_FUZZ)
      target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${TRAVIK_MODULE_MAP})
  endif()
  target_link_libraries(${target} PRIVATE tier1 tier0 vstdlib sdk)
endfunction()
