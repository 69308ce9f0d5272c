# One static library per layer folder; sources are picked up from the folder
# so that a new unit needs no build edit.
function(sky_layer name)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/src/${name}/*.cpp ${CMAKE_SOURCE_DIR}/src/${name}/*.c)
  # The program's entry is no part of any library.
  list(FILTER srcs EXCLUDE REGEX "/src/installer/main\\.cpp$")
  if(srcs)
    add_library(sky_${name} STATIC ${srcs})
    target_include_directories(sky_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(sky_${name} PUBLIC ${ARGN})
  else()
    add_library(sky_${name} INTERFACE)
    target_include_directories(sky_${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(sky_${name} INTERFACE ${ARGN})
  endif()
endfunction()

# Every tests/<layer>/test_*.cpp becomes one test program; each test case
# runs in a process of its own, since most of them touch global state.
# A file whose name ends in _gl or _net gets that label too.
function(sky_layer_tests layer)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/test_*.cpp)
  foreach(src ${tests})
    get_filename_component(stem ${src} NAME_WE)
    set(exe ${layer}_${stem})
    add_executable(${exe} ${src})
    target_link_libraries(${exe} PRIVATE sky_test_support sky_${layer} ${ARGN})
    set(labels ${layer})
    if(stem MATCHES "_gl$")
      list(APPEND labels gl)
    endif()
    if(stem MATCHES "_net$")
      list(APPEND labels net)
    endif()
    gtest_discover_tests(${exe} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
    # Discovery drops list-valued properties, so they are set afterwards from
    # a file of our own that ctest reads after the discovered list.
    set(props ${CMAKE_CURRENT_BINARY_DIR}/${exe}_props.cmake)
    file(WRITE ${props}
      "foreach(t IN LISTS ${exe}_TESTS)\n"
      "  set_tests_properties(\"\${t}\" PROPERTIES LABELS \"${labels}\" TIMEOUT 300\n"
      "    ENVIRONMENT \"SDL_VIDEODRIVER=offscreen;GALLIUM_DRIVER=llvmpipe;LIBGL_ALWAYS_SOFTWARE=1\")\n"
      "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${props})
  endforeach()
endfunction()
