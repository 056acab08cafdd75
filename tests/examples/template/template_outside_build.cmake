# The template element built as an outside author builds it: against the installed package, from a
# build folder of its own, then loaded by the installed xefhost. Run with cmake -P, one step per
# MODE, each in its own scratch folder so that ctest -j may run the steps side by side:
#   MODE=install  BUILD PREFIX            install BUILD into PREFIX, emptied first, and find
#                                         every installed file there
#   MODE=consume  SOURCE PREFIX WORK ...  configure and build SOURCE/examples/elements/template
#                                         against PREFIX in WORK, check its exports, expect
#                                         `xefhost check --work-size 0` to pass all 12 checks
#   MODE=fault    SOURCE PREFIX WORK ...  the same with a copy whose tangent kernel skips the
#                                         diagonal, expecting the bench to fail it
# Every mode takes LIBDIR, BINDIR and INCLUDEDIR, the install folders relative to the prefix;
# consume and fault also take GENERATOR, CXX_COMPILER and BUILD_TYPE, so that the outside build
# uses the same tools as the build that made the package.
cmake_minimum_required(VERSION 3.20)

function(run_or_fail what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
endfunction()

if(MODE STREQUAL "install")
  file(REMOVE_RECURSE ${PREFIX})
  run_or_fail("installing ${BUILD}" ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX})
  foreach(installed ${LIBDIR}/MOLR.so ${LIBDIR}/libmolr.a ${INCLUDEDIR}/molr/XEFRecords.h
          ${INCLUDEDIR}/molr/MOLR.h ${INCLUDEDIR}/molr/XEMUtility.h ${BINDIR}/xefhost
          ${LIBDIR}/cmake/molr/molrConfig.cmake ${LIBDIR}/cmake/molr/molrConfigVersion.cmake
          ${LIBDIR}/pkgconfig/molr.pc)
    if(NOT EXISTS ${PREFIX}/${installed})
      message(FATAL_ERROR "the install tree lacks ${installed}")
    endif()
  endforeach()
  return()
endif()

if(NOT MODE STREQUAL "consume" AND NOT MODE STREQUAL "fault")
  message(FATAL_ERROR "unknown MODE '${MODE}'")
endif()

file(REMOVE_RECURSE ${WORK})
set(element_source ${SOURCE}/examples/elements/template)
if(MODE STREQUAL "fault")
  # Starting the inner loop one entry late drops the diagonal of the stiffness: a slip an author
  # makes when told "upper triangle", and one the bench must catch.
  file(COPY ${element_source}/ DESTINATION ${WORK}/source)
  set(element_source ${WORK}/source)
  file(READ ${element_source}/template_element.cpp text)
  set(good "for (int j = i; j < kDofs; ++j)")
  string(FIND "${text}" "${good}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the template's stiffness loop '${good}' was not found: update the fault")
  endif()
  string(REPLACE "${good}" "for (int j = i + 1; j < kDofs; ++j)" text "${text}")
  file(WRITE ${element_source}/template_element.cpp "${text}")
endif()

run_or_fail("configuring the template against ${PREFIX}" ${CMAKE_COMMAND} -S ${element_source}
  -B ${WORK}/build -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
  -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_PREFIX_PATH=${PREFIX})
run_or_fail("building the template" ${CMAKE_COMMAND} --build ${WORK}/build)
set(library ${WORK}/build/TEMPLATE.so)
if(NOT EXISTS ${library})
  message(FATAL_ERROR "the outside build made no ${library}")
endif()

# The element tests' own check of a module's dynamic symbol table: exactly XEFSetElSpec.
set(MODULE ${library})
include(${SOURCE}/tests/element/check_exports.cmake)

# --work-size 0 holds the kernels to the template's promise of leaving the work vector alone.
execute_process(COMMAND ${PREFIX}/${BINDIR}/xefhost check ${library} --work-size 0 RESULT_VARIABLE rc
  OUTPUT_VARIABLE report ERROR_VARIABLE err)
message(STATUS "xefhost check ${library}:\n${report}${err}")
if(MODE STREQUAL "consume")
  if(NOT rc EQUAL 0 OR NOT report MATCHES "12 checks: 12 passed, 0 failed, 0 skipped")
    message(FATAL_ERROR "expected all 12 checks to pass (exit ${rc})")
  endif()
elseif(NOT rc EQUAL 1 OR NOT report MATCHES "FAIL  tangent ")
  message(FATAL_ERROR "expected the tangent check to fail the faulty copy (exit ${rc})")
endif()
