# Every folder is one library built from the sources it holds (and those of
# the SUBDIRS it is arranged in); new files are picked up at the next build
# without editing the lists.
function(dravlen_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;SUBDIRS" ${ARGN})
  set(source_globs "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  set(header_globs "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  foreach(sub ${ARG_SUBDIRS})
    list(APPEND source_globs "${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp")
    list(APPEND header_globs "${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.h")
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${source_globs})
  if(sources)
    file(GLOB headers CONFIGURE_DEPENDS ${header_globs})
    add_library(${name} STATIC ${sources} ${headers})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# One test program per tests/*_test.cpp file, so that a test file that does
# not build yet never stops the others from running. DIR names a subfolder
# whose tests/ to use; DATA a test-data folder other than that tests/data.
function(dravlen_tests lib)
  cmake_parse_arguments(ARG "" "DIR;DATA" "" ${ARGN})
  set(dir "${CMAKE_CURRENT_SOURCE_DIR}")
  if(ARG_DIR)
    set(dir "${dir}/${ARG_DIR}")
  endif()
  set(data "${dir}/tests/data")
  if(ARG_DATA)
    set(data "${ARG_DATA}")
  endif()
  file(GLOB tests CONFIGURE_DEPENDS "${dir}/tests/*_test.cpp")
  file(GLOB helpers CONFIGURE_DEPENDS "${dir}/tests/*_helpers.cpp")
  foreach(src ${tests})
    get_filename_component(base ${src} NAME_WE)
    set(target "${lib}_${base}")
    add_executable(${target} ${src} ${helpers})
    target_link_libraries(${target} PRIVATE ${lib} dravlen_testmain)
    target_compile_definitions(${target} PRIVATE
      DRAVLEN_TEST_DATA="${data}"
      DRAVLEN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
      TIMEOUT 600)
  endforeach()
endfunction()
