# veska_add_gtest(NAME SOURCES ... LIBS ... [QT] [LABELS ...] [ENVIRONMENT ...])
# One test executable per concept; every case is a CTest test of its own.
# QT: the executable gets a main that creates a QApplication (offscreen unless a display
# is asked for through QT_QPA_PLATFORM in ENVIRONMENT).

# What every test process (and every program it starts) needs in a sanitizer build: the
# Firebird client keeps some allocations until the process ends, and the embedded engine
# unloads modules with thread-local storage at shutdown, which trips the leak checker's
# thread-local interception.
set(VESKA_SANITIZER_TEST_ENVIRONMENT "")
if(VESKA_SANITIZE MATCHES "address")
    list(APPEND VESKA_SANITIZER_TEST_ENVIRONMENT
        "ASAN_OPTIONS=intercept_tls_get_addr=0"
        "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/lsan.supp")
endif()
if(VESKA_SANITIZE MATCHES "undefined")
    list(APPEND VESKA_SANITIZER_TEST_ENVIRONMENT "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endif()

function(veska_add_gtest name)
    cmake_parse_arguments(T "QT" "TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/SuiteSetUpFailure.cpp)
    if(T_QT)
        target_link_libraries(${name} PRIVATE veska_qt_test_main)
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest veska_build_settings)
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    # A test's own ENVIRONMENT wins over these defaults.
    set(env ${T_ENVIRONMENT} ${VESKA_SANITIZER_TEST_ENVIRONMENT})
    if(NOT T_ENVIRONMENT MATCHES "(^|;)QT_QPA_PLATFORM=")
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
    if(NOT T_ENVIRONMENT MATCHES "(^|;)LC_ALL=")
        list(APPEND env "LC_ALL=C.UTF-8")
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        TEST_LIST ${name}_TESTS
        PROPERTIES TIMEOUT ${T_TIMEOUT})
    # Labels and environment are lists, which gtest_discover_tests cuts to their first entry;
    # a script that CTest reads after the discovered tests sets them whole.
    set(properties "${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake")
    file(WRITE "${properties}"
        "if(${name}_TESTS)\n"
        "    set_tests_properties(\${${name}_TESTS} PROPERTIES\n"
        "        LABELS \"${T_LABELS}\" ENVIRONMENT \"${env}\")\n"
        "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${properties}")
endfunction()
