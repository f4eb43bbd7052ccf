# The sources are listed by hand in each target. velta_check_listed() stops the configuration when
# a file matching one of the patterns (relative to the source tree) is in no target's list, so that
# a new file, a test above all, cannot be left out of the build unnoticed. The patterns are checked
# again at every build, so a file added later is caught too.
#   velta_check_listed(pattern... [EXCLUDE regex])   files whose path matches the regex are not checked

# All targets defined in DIR and the directories below it.
function(velta_targets_below dir out)
  get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    velta_targets_below("${sub}" more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(velta_check_listed)
  cmake_parse_arguments(arg "" "EXCLUDE" "" ${ARGN})
  set(patterns ${arg_UNPARSED_ARGUMENTS})
  list(TRANSFORM patterns PREPEND "${PROJECT_SOURCE_DIR}/")
  file(GLOB found LIST_DIRECTORIES false CONFIGURE_DEPENDS ${patterns})
  if(arg_EXCLUDE)
    list(FILTER found EXCLUDE REGEX "${arg_EXCLUDE}")
  endif()
  velta_targets_below("${PROJECT_SOURCE_DIR}" targets)
  foreach(target IN LISTS targets)
    get_target_property(sources ${target} SOURCES)
    get_target_property(dir ${target} SOURCE_DIR)
    foreach(source IN LISTS sources)
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${dir}" NORMALIZE)
      list(REMOVE_ITEM found "${source}")
    endforeach()
  endforeach()
  if(found)
    list(JOIN found "\n  " unlisted)
    message(FATAL_ERROR "Source files in no target's list; add each to the list of its module or "
      "test target (CMakeLists.txt, tests/CMakeLists.txt, tests/widgets/CMakeLists.txt, "
      "fuzz/CMakeLists.txt or bench/CMakeLists.txt):\n  ${unlisted}")
  endif()
endfunction()
