# The model libraries must never reach Qt: neither through their link
# dependencies nor through an include in their sources.
function(fenban_check_layers)
  foreach(lib ${ARGN})
    if(NOT TARGET ${lib})
      continue()
    endif()
    get_target_property(deps ${lib} LINK_LIBRARIES)
    foreach(dep ${deps})
      if(dep MATCHES "Qt")
        message(FATAL_ERROR "Library ${lib} links ${dep}; the model libraries must stay free of Qt.")
      endif()
    endforeach()
    file(GLOB_RECURSE srcs ${CMAKE_SOURCE_DIR}/src/${lib}/*.h ${CMAKE_SOURCE_DIR}/src/${lib}/*.cpp)
    foreach(src ${srcs})
      file(STRINGS ${src} hits REGEX "^[ \t]*#[ \t]*include[ \t]*<Q")
      if(hits)
        message(FATAL_ERROR "${src} includes Qt; the model libraries must stay free of Qt.")
      endif()
    endforeach()
  endforeach()
endfunction()

# A library made of every source file of its folder.
function(fenban_library name)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
endfunction()

# One test executable per library, made of every test file of its folder.
function(fenban_tests name)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_executable(${name}_tests ${srcs})
  target_link_libraries(${name}_tests PRIVATE ${name} ${ARGN} GTest::gtest_main)
  target_compile_definitions(${name}_tests PRIVATE FENBAN_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${name}_tests DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
