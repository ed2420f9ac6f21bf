# Shared build helpers.

# The run folder: the program, its data and everything it writes live here.
set(VENTRASK_RUN_DIR ${CMAKE_BINARY_DIR}/run CACHE INTERNAL "")

# AddressSanitizer's options for everything the sanitizer build runs: tests, walks, fuzz targets
# and the data generator. Leaks are looked for. The runtime's hook on __tls_get_addr is left off:
# GCC 12's runtime takes a dynamic TLS block that happens to start at a certain offset in its
# page for an old glibc header and reads the words before it as a range, so LeakSanitizer's
# tracer crashes at exit ("Tracer caught signal 11") after OpenAL has opened and closed its
# backends; it says nothing of the program. Leak checking does not need the hook here.
set(VENTRASK_ASAN_OPTIONS "detect_leaks=1:intercept_tls_get_addr=0" CACHE INTERNAL "")

# One static library per folder, from every .cpp the folder holds (subfolders included).
# Files under a folder named "system" are left to the caller (they need system libraries).
function(ventrask_folder_library name folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/${folder}/system/")
  if(NOT sources)
    set(sources ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# One test program per folder of tests/, from every .cpp in it, registered with CTest.
function(ventrask_test_folder folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(name test_${folder})
  add_executable(${name} ${sources} ${CMAKE_SOURCE_DIR}/tests/support/test_main.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ventrask_test_support ${ARGN} GTest::gtest)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "VENTRASK_SOURCE_DIR=${CMAKE_SOURCE_DIR};VENTRASK_RUN_DIR=${VENTRASK_RUN_DIR};ASAN_OPTIONS=${VENTRASK_ASAN_OPTIONS}")
endfunction()

# The embedded resources library: every file of data/resources/<TYPE>/ compiled in, registered
# by register_embedded_resources() (platform/resources.h).
function(ventrask_resources_library name)
  file(GLOB_RECURSE inputs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/resources/*/*)
  set(out ${CMAKE_BINARY_DIR}/generated/embedded_resources.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DRESOURCE_DIR=${CMAKE_SOURCE_DIR}/data/resources -DOUTPUT=${out}
      -P ${CMAKE_SOURCE_DIR}/cmake/embed_resources.cmake
    DEPENDS ${inputs} ${CMAKE_SOURCE_DIR}/cmake/embed_resources.cmake VERBATIM)
  add_library(${name} STATIC ${out})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ventrask_platform)
endfunction()
