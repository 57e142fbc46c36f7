# Build conventions shared by every target of the tree.

set(KALVEX_WARNINGS -Wall -Wextra)

if(KALVEX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# kalvex_library(<name> DIRS <dirs...> [LINK <libs...>])
# Builds <name> as a shared library with hidden symbols (only the API macros
# export), plus <name>_static from the same objects, which the internal test
# suites link so that they can reach C++ internals.
function(kalvex_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;LINK" ${ARGN})
  set(srcs)
  foreach(d ${ARG_DIRS})
    file(GLOB s CONFIGURE_DEPENDS ${d}/*.cpp ${d}/*.c)
    list(APPEND srcs ${s})
  endforeach()
  add_library(${name}_obj OBJECT ${srcs})
  target_include_directories(${name}_obj PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name}_obj PRIVATE ${KALVEX_WARNINGS})
  set_target_properties(${name}_obj PROPERTIES
    CXX_VISIBILITY_PRESET hidden C_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  string(TOUPPER ${name} up)
  target_compile_definitions(${name}_obj PRIVATE ${up}_BUILDING=1)

  add_library(${name} SHARED $<TARGET_OBJECTS:${name}_obj>)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  add_library(${name}_static STATIC $<TARGET_OBJECTS:${name}_obj>)
  target_include_directories(${name}_static PUBLIC ${PROJECT_SOURCE_DIR})
  # The object library takes only the dependencies' headers; the shared
  # library links the shared dependencies, the static one the static ones.
  foreach(l ${ARG_LINK})
    target_link_libraries(${name}_obj PUBLIC ${l})
    target_link_libraries(${name} PUBLIC ${l})
    target_link_libraries(${name}_static PUBLIC ${l}_static)
  endforeach()
endfunction()

if(KALVEX_FUZZ)
  # Coverage instrumentation for everything the fuzz targets link.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
