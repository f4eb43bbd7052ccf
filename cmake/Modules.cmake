# velta_module(NAME SOURCES file... [DEPENDS target...]) makes the static library velta_NAME of one
# core module: its sources, the warnings and floating-point rules, and the modules it uses.
# Headers are included from src/ as "module/header.h".
function(velta_module name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;DEPENDS")
  if(arg_UNPARSED_ARGUMENTS OR NOT arg_SOURCES)
    message(FATAL_ERROR "velta_module(${name}): SOURCES file... [DEPENDS target...]")
  endif()
  add_library(velta_${name} STATIC ${arg_SOURCES})
  target_include_directories(velta_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(velta_${name} PUBLIC velta_options ${arg_DEPENDS})
endfunction()
