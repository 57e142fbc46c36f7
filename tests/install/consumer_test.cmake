# Installs the build tree into a fresh prefix, then configures, builds and
# runs the consumer project against it. Variables: BUILD_DIR, SOURCE_DIR,
# WORK_DIR, GENERATOR, FLAGS (the sanitizer flags of the build, if any),
# SAMPLE (an HPGL file), WITH_PROGRAM (the program and kalvex-cli were built).
file(REMOVE_RECURSE ${WORK_DIR})
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
foreach(f lib/libfgb.so lib/libgeomkit.so.0 include/fgb/fgb.h include/geomkit/geomkit.h
          include/nodestore/nodestore.h lib/cmake/Trevalon/TrevalonConfig.cmake)
  if(NOT EXISTS ${WORK_DIR}/prefix/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
# The programs and their files, when the Qt parts were built.
if(WITH_PROGRAM)
  foreach(f bin/Kalvex bin/kalvex-cli share/applications/kalvex.desktop
            share/icons/hicolor/scalable/apps/kalvex.svg share/man/man1/Kalvex.1 share/man/man1/kalvex-cli.1)
    if(NOT EXISTS ${WORK_DIR}/prefix/${f})
      message(FATAL_ERROR "not installed: ${f}")
    endif()
  endforeach()
  # The installed kalvex-cli finds its picture module.
  run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${WORK_DIR}/prefix/lib ${WORK_DIR}/prefix/bin/kalvex-cli
      render ${SAMPLE} ${WORK_DIR}/sample.png)
  if(NOT EXISTS ${WORK_DIR}/sample.png)
    message(FATAL_ERROR "the installed kalvex-cli rendered nothing")
  endif()
endif()
file(GLOB_RECURSE private ${WORK_DIR}/prefix/include/*_p.h)
if(private)
  message(FATAL_ERROR "private headers installed: ${private}")
endif()
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DCMAKE_CXX_FLAGS=${FLAGS} -DCMAKE_EXE_LINKER_FLAGS=${FLAGS}
    -DCMAKE_CXX_COMPILER_LAUNCHER=)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(${WORK_DIR}/build/consumer ${SAMPLE})
message(STATUS "${last_output}")
file(REMOVE_RECURSE ${WORK_DIR})
