# ricorne_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [FIXTURES name] [LOCK name] [TIMEOUT s])
# One GoogleTest executable per area; CTest counts each as one test.
function(ricorne_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;FIXTURES;LOCK;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Qt6::Test)
  target_compile_definitions(${name} PRIVATE
    RICORNE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    RICORNE_APPDIR="${RICORNE_APPDIR}")
  add_test(NAME ${name} COMMAND ${name})
  set(env
    QT_QPA_PLATFORM=offscreen
    XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/xdg-runtime
    TZ=Asia/Tokyo
    ${T_ENV})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
  if(T_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  else()
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  endif()
  if(T_FIXTURES)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${T_FIXTURES}")
  endif()
  if(T_LOCK)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_LOCK}")
  endif()
endfunction()

file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/xdg-runtime)
file(CHMOD ${CMAKE_BINARY_DIR}/xdg-runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
