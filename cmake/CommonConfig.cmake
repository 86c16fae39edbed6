# Build settings shared by every target of ours: link veska_build_settings instead of
# repeating flags. Third-party headers are included as SYSTEM so -Werror stays ours.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

add_library(veska_build_settings INTERFACE)
target_compile_options(veska_build_settings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Wunused -Woverloaded-virtual -Wformat=2 -Werror)
target_compile_definitions(veska_build_settings INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING
    QT_NO_CONTEXTLESS_CONNECT QT_NO_KEYWORDS
    $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)

# VESKA_SANITIZE: empty, "address;undefined" or "thread".
set(VESKA_SANITIZE "" CACHE STRING "Sanitizers for every target: address;undefined or thread")
if(VESKA_SANITIZE)
    string(REPLACE ";" "," _veska_san "${VESKA_SANITIZE}")
    add_compile_options(-fsanitize=${_veska_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${_veska_san})
endif()
