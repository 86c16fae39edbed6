# Finds libsystemd (Debian: libsystemd-dev) through pkg-config and defines the imported
# target Systemd::libsystemd, for sd_notify.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
    pkg_check_modules(PC_LIBSYSTEMD QUIET libsystemd)
endif()
find_path(Systemd_INCLUDE_DIR systemd/sd-daemon.h HINTS ${PC_LIBSYSTEMD_INCLUDE_DIRS})
find_library(Systemd_LIBRARY NAMES systemd HINTS ${PC_LIBSYSTEMD_LIBRARY_DIRS})

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Systemd REQUIRED_VARS Systemd_LIBRARY Systemd_INCLUDE_DIR)

if(Systemd_FOUND AND NOT TARGET Systemd::libsystemd)
    add_library(Systemd::libsystemd UNKNOWN IMPORTED)
    set_target_properties(Systemd::libsystemd PROPERTIES
        IMPORTED_LOCATION "${Systemd_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${Systemd_INCLUDE_DIR}")
endif()
mark_as_advanced(Systemd_INCLUDE_DIR Systemd_LIBRARY)
