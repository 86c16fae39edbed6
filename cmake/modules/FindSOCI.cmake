# Finds SOCI with its Firebird back end (Debian: libsoci-dev) and defines the imported
# targets SOCI::core and SOCI::firebird. Debian's package carries no CMake configuration.
find_path(SOCI_INCLUDE_DIR soci/soci.h)
find_library(SOCI_CORE_LIBRARY NAMES soci_core)
find_library(SOCI_FIREBIRD_LIBRARY NAMES soci_firebird)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(SOCI
    REQUIRED_VARS SOCI_CORE_LIBRARY SOCI_FIREBIRD_LIBRARY SOCI_INCLUDE_DIR)

if(SOCI_FOUND AND NOT TARGET SOCI::core)
    add_library(SOCI::core UNKNOWN IMPORTED)
    set_target_properties(SOCI::core PROPERTIES
        IMPORTED_LOCATION "${SOCI_CORE_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${SOCI_INCLUDE_DIR}")
    add_library(SOCI::firebird UNKNOWN IMPORTED)
    set_target_properties(SOCI::firebird PROPERTIES
        IMPORTED_LOCATION "${SOCI_FIREBIRD_LIBRARY}"
        INTERFACE_LINK_LIBRARIES SOCI::core)
endif()
mark_as_advanced(SOCI_INCLUDE_DIR SOCI_CORE_LIBRARY SOCI_FIREBIRD_LIBRARY)
