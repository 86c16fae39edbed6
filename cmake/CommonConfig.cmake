# Build settings shared by every target of ours: link veska_build_settings instead of
# repeating flags. Third-party headers are included as SYSTEM so warnings stay ours.
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

# ccache, where it is installed, in every build folder: a second build of the same tree
# (the test command's stages, a developer's rebuild) costs the tests, not the compiler.
find_program(VESKA_CCACHE ccache)
if(VESKA_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    set(CMAKE_C_COMPILER_LAUNCHER ${VESKA_CCACHE})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${VESKA_CCACHE})
endif()

# Warnings are errors in development and CI builds (the "dev" preset and ./scripts/test turn
# this on); a user's newer compiler with new warnings still builds the program.
option(VESKA_WERROR "Treat warnings as errors" OFF)
# VESKA_SANITIZE: empty, "address;undefined" or "thread".
set(VESKA_SANITIZE "" CACHE STRING "Sanitizers for every target: address;undefined or thread")

add_library(veska_build_settings INTERFACE)
target_compile_features(veska_build_settings INTERFACE cxx_std_20)
target_compile_options(veska_build_settings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Wunused -Woverloaded-virtual -Wformat=2 $<$<BOOL:${VESKA_WERROR}>:-Werror>)
target_compile_definitions(veska_build_settings INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING
    QT_NO_CONTEXTLESS_CONNECT QT_NO_KEYWORDS
    $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
if(VESKA_SANITIZE)
    string(REPLACE ";" "," _veska_san "${VESKA_SANITIZE}")
    target_compile_options(veska_build_settings INTERFACE
        -fsanitize=${_veska_san} -fno-omit-frame-pointer -fno-sanitize-recover=all
        # A target whose library dependencies do not export their classes' type
        # information sets VESKA_NO_VPTR_CHECK; this flag must come after -fsanitize.
        $<$<BOOL:$<TARGET_PROPERTY:VESKA_NO_VPTR_CHECK>>:-fno-sanitize=vptr>)
    target_link_options(veska_build_settings INTERFACE -fsanitize=${_veska_san})
endif()

# Hardening as Debian builds its packages: checked buffer functions (optimised builds
# only, where they work), a stack protector, and every symbol bound at start with the
# relocations then made read-only. Not in sanitizer builds, which instrument the same calls.
if(NOT VESKA_SANITIZE)
    target_compile_options(veska_build_settings INTERFACE -fstack-protector-strong
        $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
    target_link_options(veska_build_settings INTERFACE -Wl,-z,relro -Wl,-z,now)
endif()

# veska_library_headers(TARGET): the target's headers are included as "<folder>/Name.h",
# where <folder> is the name of the target's source folder, by the target itself and by the
# targets that link it, and by nothing else: each library gets an include root of its own
# in the build tree that holds only a link to its folder. A library that includes another
# one's header without linking it does not compile, so the layering is checked by the build.
function(veska_library_headers target)
    get_filename_component(folder "${CMAKE_CURRENT_SOURCE_DIR}" NAME)
    set(root "${PROJECT_BINARY_DIR}/include-roots/${target}")
    if(NOT EXISTS "${root}/${folder}")
        file(MAKE_DIRECTORY "${root}")
        file(CREATE_LINK "${CMAKE_CURRENT_SOURCE_DIR}" "${root}/${folder}" SYMBOLIC)
    endif()
    target_include_directories(${target} PUBLIC "$<BUILD_INTERFACE:${root}>")
endfunction()
