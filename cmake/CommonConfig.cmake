# One interface target carries the language standard, the warnings and the
# Qt defines; every target of the project links it.
add_library(veldrake_common INTERFACE)
target_compile_features(veldrake_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(veldrake_common INTERFACE
    -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
target_compile_definitions(veldrake_common INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT QT_NO_FOREACH QT_NO_KEYWORDS)
if(VELDRAKE_WERROR)
    target_compile_options(veldrake_common INTERFACE -Werror)
endif()
if(VELDRAKE_SANITIZE)
    target_compile_options(veldrake_common INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(veldrake_common INTERFACE -fsanitize=address,undefined)
endif()

# A static library of the sources in one folder; new files join by themselves.
function(veldrake_folder_library name)
    file(GLOB _sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(NOT _sources)
        # A folder whose units are not written yet still yields its library.
        file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp "")
        set(_sources ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    endif()
    add_library(${name} STATIC ${_sources} ${ARGN})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC veldrake_common)
endfunction()
