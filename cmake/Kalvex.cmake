# Build conventions shared by every target of the tree.

# -Wshadow names a local that hides another; the test build (KALVEX_WERROR,
# on with the sanitizers) turns every warning into an error.
set(KALVEX_WARNINGS -Wall -Wextra -Wshadow)
option(KALVEX_WERROR "Treat compiler warnings as errors" ${KALVEX_SANITIZE})
if(KALVEX_WERROR)
  list(APPEND KALVEX_WARNINGS -Werror)
endif()

find_program(KALVEX_CCACHE ccache)
if(KALVEX_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(CMAKE_C_COMPILER_LAUNCHER ${KALVEX_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${KALVEX_CCACHE})
endif()

if(KALVEX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# kalvex_library(<name> DIRS <dirs...> [LINK <libs...>])
# Builds a library from the sources in <dirs> (relative to the calling
# folder), whose public headers live under include/<name>/:
#   <name>           shared, hidden symbols (only the API macros export),
#                    versioned, installed, exported as Trevalon::<name>
#   <name>_static    the same objects, static: public headers only
#   <name>_headers   the public headers alone, for code compiled once and
#                    linked later with either build
#   <name>_internal  <name>_static plus the library's own folder on the
#                    include path, for its private "dir/x_p.h" headers:
#                    linked only by the library's own tests, fuzz harnesses
#                    and benchmarks of its internals
function(kalvex_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;LINK" ${ARGN})
  set(root ${CMAKE_CURRENT_SOURCE_DIR})
  set(srcs)
  foreach(d ${ARG_DIRS})
    file(GLOB s CONFIGURE_DEPENDS ${root}/${d}/*.cpp ${root}/${d}/*.c)
    list(APPEND srcs ${s})
  endforeach()
  set(public $<BUILD_INTERFACE:${root}/include> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

  add_library(${name}_obj OBJECT ${srcs})
  target_include_directories(${name}_obj PUBLIC ${public} PRIVATE ${root})
  target_compile_options(${name}_obj PRIVATE ${KALVEX_WARNINGS})
  set_target_properties(${name}_obj PROPERTIES
    CXX_VISIBILITY_PRESET hidden C_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  string(TOUPPER ${name} up)
  target_compile_definitions(${name}_obj PRIVATE ${up}_BUILDING=1)

  add_library(${name} SHARED $<TARGET_OBJECTS:${name}_obj>)
  target_include_directories(${name} PUBLIC ${public})
  set_target_properties(${name} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  add_library(Trevalon::${name} ALIAS ${name})
  add_library(${name}_static STATIC $<TARGET_OBJECTS:${name}_obj>)
  target_include_directories(${name}_static PUBLIC ${public})
  add_library(${name}_headers INTERFACE)
  target_include_directories(${name}_headers INTERFACE ${public})
  add_library(${name}_internal INTERFACE)
  target_include_directories(${name}_internal INTERFACE ${root})
  target_link_libraries(${name}_internal INTERFACE ${name}_static)
  # The object library takes only the dependencies' headers; the shared
  # library links the shared dependencies, the static one the static ones.
  foreach(l ${ARG_LINK})
    target_link_libraries(${name}_obj PUBLIC ${l})
    target_link_libraries(${name} PUBLIC ${l})
    target_link_libraries(${name}_static PUBLIC ${l}_static)
    target_link_libraries(${name}_headers INTERFACE ${l}_headers)
  endforeach()

  install(TARGETS ${name} EXPORT TrevalonTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
  install(DIRECTORY ${root}/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
endfunction()

if(KALVEX_FUZZ)
  # Coverage instrumentation for everything the fuzz targets link.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
