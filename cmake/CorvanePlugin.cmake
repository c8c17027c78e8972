# corvane_add_plugin(<target> GUID <text form> SOURCES ... [LINKS ...])
#
# A plug-in is a shared library whose file name is its channel type GUID followed by the
# platform's suffix, without prefix. It finds the host and its sibling plug-ins next to
# itself at run time ($ORIGIN). Only what the export macro marks leaves the library.
function(corvane_add_plugin target)
  cmake_parse_arguments(ARG "" "GUID" "SOURCES;LINKS" ${ARGN})
  # CMake's regular expressions have no counted repetition: check the shape, then the length.
  string(LENGTH "${ARG_GUID}" guid_length)
  if(NOT ARG_GUID MATCHES "^[0-9A-F]+-[0-9A-F]+-[0-9A-F]+-[0-9A-F]+-[0-9A-F]+$" OR NOT guid_length EQUAL 36)
    message(FATAL_ERROR "${target}: GUID must be upper-case 8-4-4-4-12 text, got '${ARG_GUID}'")
  endif()
  add_library(${target} SHARED ${ARG_SOURCES})
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    OUTPUT_NAME "${ARG_GUID}"
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    BUILD_RPATH "$ORIGIN"
    INSTALL_RPATH "$ORIGIN")
  target_compile_definitions(${target} PRIVATE CORVANE_BUILDING_PLUGIN)
  target_link_libraries(${target} PRIVATE ${ARG_LINKS})
  # A plug-in names every library it needs: an unresolved symbol is a build error here,
  # not a failure when the host loads it.
  target_link_options(${target} PRIVATE -Wl,--no-undefined -Wl,--as-needed)
endfunction()
