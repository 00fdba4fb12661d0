# The targets the project defines in a folder and all folders below it, so
# that build settings reach every library, including ones added later.
function(ostrel_project_targets dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir ${subdirs})
    ostrel_project_targets(${subdir} below)
    list(APPEND targets ${below})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Whether a target links lib, directly or through the project's own libraries.
function(ostrel_links_to target lib out)
  set(found FALSE)
  get_target_property(imported ${target} IMPORTED)
  if(NOT imported)
    get_target_property(links ${target} LINK_LIBRARIES)
    get_target_property(interface_links ${target} INTERFACE_LINK_LIBRARIES)
    foreach(link IN LISTS links interface_links)
      if(link STREQUAL lib)
        set(found TRUE)
      elseif(TARGET ${link} AND NOT found)
        ostrel_links_to(${link} ${lib} found)
      endif()
    endforeach()
  endif()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# A GoogleTest program as ctest entries: one entry a test in the normal build,
# so a failure names its test; one entry for the whole program in the
# sanitizer build, where starting a sanitized process for each of some seven
# hundred tests costs more than the tests themselves.
# An optional second argument is the program's running time in seconds under
# the sanitizers: ctest starts the longest first, so that two at a time end
# together instead of one long program running alone at the end.
function(ostrel_gtest target)
  if(OSTREL_SANITIZE)
    set(cost 1)
    if(ARGC GREATER 1)
      set(cost ${ARGV1})
    endif()
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES ENVIRONMENT "TZ=UTC" TIMEOUT 1200 COST ${cost})
  else()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "TZ=UTC")
  endif()
endfunction()

# The two programs take their memory from mimalloc when it is installed: the
# engine makes many small, short-lived allocations (block buffers, property
# values, rows) on every core, which glibc's allocator served at about a
# fifth of the open's time. The sanitizer builds keep the sanitizers' own.
# --no-as-needed: the library replaces malloc by being
# loaded before the C library. The programs also ask it for huge pages
# (support/allocator/MallocPages.cpp).
function(ostrel_use_fast_malloc target)
  if(OSTREL_SANITIZE OR OSTREL_FUZZ)
    return()
  endif()
  find_package(mimalloc CONFIG QUIET)
  if(TARGET mimalloc)
    target_link_options(${target} PRIVATE LINKER:--no-as-needed)
    target_link_libraries(${target} PRIVATE mimalloc)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/support/allocator/MallocPages.cpp)
  else()
    message(STATUS "mimalloc not found: ${target} uses the C library's malloc")
  endif()
endfunction()
