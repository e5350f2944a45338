# Golden tests of kelvor-cli on the bundled samples: each case runs the tool from the source
# root and compares its outputs with the files in tests/cli/expected. Run with
#   cmake -DCLI=<kelvor-cli> -DROOT=<source root> -DOUT=<scratch dir> [-DUPDATE=ON] -P golden.cmake
# UPDATE=ON rewrites the expected files after a deliberate change of output.
set(expected_dir ${ROOT}/tests/cli/expected)
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
set(failures 0)

function(run_case name expected_rc)
  execute_process(COMMAND ${CLI} ${ARGN} WORKING_DIRECTORY ${ROOT} RESULT_VARIABLE rc
                  OUTPUT_FILE ${OUT}/${name}.stdout ERROR_FILE ${OUT}/${name}.stderr)
  if(NOT rc EQUAL expected_rc)
    file(READ ${OUT}/${name}.stderr err)
    message(SEND_ERROR "${name}: exit status ${rc}, expected ${expected_rc}\n${err}")
  endif()
endfunction()

function(compare name produced)
  get_filename_component(file ${produced} NAME)
  if(UPDATE)
    configure_file(${produced} ${expected_dir}/${file} COPYONLY)
    return()
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${produced} ${expected_dir}/${file}
                  RESULT_VARIABLE different)
  if(different)
    message(SEND_ERROR "${name}: ${produced} differs from ${expected_dir}/${file}")
  endif()
endfunction()

# The statistics table of the ETM sample, and its exports.
run_case(prn-table 0 --config examples/sample.ini examples/sample.prn)
configure_file(${OUT}/prn-table.stdout ${OUT}/sample-prn.table COPYONLY)
compare(prn-table ${OUT}/sample-prn.table)
run_case(prn-exports 0 --config examples/sample.ini --asc ${OUT}/sample-prn.asc
         --mes ${OUT}/sample-prn.mes --ilm ${OUT}/sample-prn.ilm examples/sample.prn)
compare(prn-exports ${OUT}/sample-prn.asc)
compare(prn-exports ${OUT}/sample-prn.mes)
if(NOT EXISTS ${OUT}/sample-prn.ilm)
  message(SEND_ERROR "prn-exports: no .ilm written")
endif()

# --quiet leaves standard error empty when nothing needs to be said.
run_case(quiet 0 --quiet --config examples/sample.ini examples/sample.prn)
file(READ ${OUT}/quiet.stderr text)
if(NOT text STREQUAL "")
  message(SEND_ERROR "quiet: standard error is not empty:\n${text}")
endif()

# The TLA sample analysed over a window.
run_case(txt-window 0 --config examples/sample-tla.ini --window 0.001 0.002
         --asc ${OUT}/sample-txt-window.asc examples/sample.txt)
compare(txt-window ${OUT}/sample-txt-window.asc)

# The timeline of 1.2 ms of the ETM sample as trace-event JSON: an output option, so no table.
run_case(chrome-trace 0 --config examples/sample.ini --window 0.0100 0.0112
         --chrome-trace ${OUT}/sample-prn-window.json examples/sample.prn)
compare(chrome-trace ${OUT}/sample-prn-window.json)
file(READ ${OUT}/chrome-trace.stdout text)
if(NOT text STREQUAL "")
  message(SEND_ERROR "chrome-trace: the table was printed as well")
endif()

# A .run saved and loaded again, and the exported .mes loaded again.
run_case(run-save 0 --config examples/sample.ini --run ${OUT}/sample.run examples/sample.prn)
run_case(run-load 0 --config examples/sample.ini --asc ${OUT}/sample-run.asc ${OUT}/sample.run)
compare(run-load ${OUT}/sample-run.asc)
run_case(mes-load 0 --config examples/sample.ini --asc ${OUT}/sample-mes.asc
         ${OUT}/sample-prn.mes)
compare(mes-load ${OUT}/sample-mes.asc)
# The same two round trips for the TLA sample.
run_case(txt-save 0 --config examples/sample-tla.ini --run ${OUT}/sample-txt.run
         --mes ${OUT}/sample-txt.mes examples/sample.txt)
run_case(txt-run-load 0 --config examples/sample-tla.ini --asc ${OUT}/sample-txt-run.asc
         ${OUT}/sample-txt.run)
compare(txt-run-load ${OUT}/sample-txt-run.asc)
run_case(txt-mes-load 0 --config examples/sample-tla.ini --asc ${OUT}/sample-txt-mes.asc
         ${OUT}/sample-txt.mes)
compare(txt-mes-load ${OUT}/sample-txt-mes.asc)

# Failures and their exit statuses.
run_case(unsupported 1 --config examples/sample.ini examples/sample.ini)
run_case(missing 1 --config examples/sample.ini ${OUT}/no-such-file.prn)
run_case(abandoned 1 --config examples/sample.ini --set startadress=10 --answer no
         examples/sample.prn)
run_case(usage 2 --window 1 examples/sample.prn)
run_case(help 0 --help)
run_case(unwritable 1 --config examples/sample.ini --asc ${OUT}/no-dir/x.asc examples/sample.prn)
file(READ ${OUT}/unsupported.stderr text)
if(NOT text MATCHES "Loaded File Format Not Supported")
  message(SEND_ERROR "unsupported: the message is missing from standard error")
endif()

# A settings file names its ID files relative to its own folder: the table is the same when the
# tool runs from another folder.
execute_process(COMMAND ${CLI} --config ${ROOT}/examples/sample.ini ${ROOT}/examples/sample.prn
                WORKING_DIRECTORY ${OUT} RESULT_VARIABLE rc OUTPUT_FILE ${OUT}/elsewhere.stdout
                ERROR_QUIET)
file(READ ${OUT}/elsewhere.stdout elsewhere)
file(READ ${OUT}/prn-table.stdout here)
if(NOT rc EQUAL 0 OR NOT elsewhere STREQUAL here)
  message(SEND_ERROR "elsewhere: the table differs when run from another folder (status ${rc})")
endif()
