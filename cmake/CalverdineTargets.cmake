# Each layer of src/ is a library of its own (src/CMakeLists.txt). A test links the layer it
# tests, or one of the umbrellas over all of them:
#   calverdine_logic  - every layer's models, files, algorithms, controllers (QtCore/QtGui)
#   calverdine_engine - the Qt WebEngine adapter (the only code that includes WebEngine)
#   calverdine_views  - widgets, dialogs, the main window and its composition root

function(calverdine_add_test name)
  # calverdine_add_test(<name> SOURCES ... LIBS ... [ENGINE])
  cmake_parse_arguments(T "ENGINE" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE calverdine_testsupport GTest::gtest GTest::gmock ${T_LIBS})
  target_compile_options(${name} PRIVATE -include "${PROJECT_SOURCE_DIR}/tests/support/qtprinters.h")
  set(env "QT_QPA_PLATFORM=offscreen" "LC_ALL=C.UTF-8" "QT_LOGGING_RULES=qt.webenginecontext.info=false")
  if(T_ENGINE)
    list(APPEND env "QTWEBENGINE_DISABLE_SANDBOX=1" "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu --no-sandbox")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120)
  # The environment is set by a file CTest reads after the discovered tests: a list passed
  # through gtest_discover_tests' PROPERTIES would keep only its first variable.
  set(env_file "${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake")
  file(WRITE "${env_file}"
    "if(DEFINED ${name}_TESTS)\n"
    "  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT [==[${env}]==])\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${env_file}")
endfunction()
