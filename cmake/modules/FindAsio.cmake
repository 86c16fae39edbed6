# Finds standalone Asio (Debian: libasio-dev), header-only, and defines the imported target
# Asio::asio with the definitions that select the standalone, non-deprecated interface.
find_path(Asio_INCLUDE_DIR asio.hpp)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Asio REQUIRED_VARS Asio_INCLUDE_DIR)

if(Asio_FOUND AND NOT TARGET Asio::asio)
    find_package(Threads REQUIRED)
    add_library(Asio::asio INTERFACE IMPORTED)
    set_target_properties(Asio::asio PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES "${Asio_INCLUDE_DIR}"
        INTERFACE_COMPILE_DEFINITIONS "ASIO_STANDALONE;ASIO_NO_DEPRECATED"
        INTERFACE_LINK_LIBRARIES Threads::Threads)
endif()
mark_as_advanced(Asio_INCLUDE_DIR)
