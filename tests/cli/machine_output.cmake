# kelvor-cli's machine-readable outputs on the bundled ETM sample: every line of --format jsonl is
# a JSON object with the documented keys, --json agrees with it, and --compare with --fail-above
# ends with status 3 when an entry grew. Run with
#   cmake -DCLI=<kelvor-cli> -DROOT=<source root> -DOUT=<scratch dir> -P machine_output.cmake
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})

function(run_case name expected_rc)
  execute_process(COMMAND ${CLI} --quiet --config examples/sample.ini ${ARGN}
                  WORKING_DIRECTORY ${ROOT} RESULT_VARIABLE rc
                  OUTPUT_FILE ${OUT}/${name}.stdout ERROR_FILE ${OUT}/${name}.stderr)
  if(NOT rc EQUAL expected_rc)
    file(READ ${OUT}/${name}.stderr err)
    message(FATAL_ERROR "${name}: exit status ${rc}, expected ${expected_rc}\n${err}")
  endif()
endfunction()

# The keys of docs/json-output.md.
set(line_keys file windowStart windowEnd events version id idText name class priority
    runTimePercent calls totalWithInt totalWithoutInt minWithInt minWithoutInt maxWithInt
    maxWithoutInt totalNested maxNested minNested minClock maxClock meanClock clockTime actTim
    gotTim sendMes receMes net gross)
set(distribution_keys count mean stddev min p50 p90 p99 p999 max zeros histogram)

function(expect_keys what json)
  string(JSON length LENGTH "${json}")
  set(keys "")
  math(EXPR last "${length} - 1")
  foreach(i RANGE ${last})
    string(JSON key MEMBER "${json}" ${i})
    list(APPEND keys ${key})
  endforeach()
  list(SORT keys)
  set(expected ${ARGN})
  list(SORT expected)
  if(NOT keys STREQUAL expected)
    message(FATAL_ERROR "${what}: keys ${keys}, expected ${expected}")
  endif()
endfunction()

run_case(jsonl 0 --format jsonl --distributions --json ${OUT}/sample.json examples/sample.prn)
file(STRINGS ${OUT}/jsonl.stdout lines)
list(LENGTH lines line_count)
if(line_count LESS 2)
  message(FATAL_ERROR "jsonl: ${line_count} lines")
endif()
set(calls_sum 0)
foreach(line IN LISTS lines)
  string(JSON kind ERROR_VARIABLE bad TYPE "${line}")
  if(bad OR NOT kind STREQUAL "OBJECT")
    message(FATAL_ERROR "jsonl: not a JSON object: ${line}")
  endif()
  expect_keys("jsonl line" "${line}" ${line_keys})
  string(JSON net GET "${line}" net)
  expect_keys("jsonl net" "${net}" ${distribution_keys})
  string(JSON calls GET "${line}" calls)
  string(JSON count GET "${net}" count)
  if(NOT calls EQUAL count)
    message(FATAL_ERROR "jsonl: ${calls} calls but ${count} durations")
  endif()
  math(EXPR calls_sum "${calls_sum} + ${calls}")
endforeach()

# --json writes the same entries as one object.
file(READ ${OUT}/sample.json document)
string(JSON entries LENGTH "${document}" entries)
if(NOT entries EQUAL line_count)
  message(FATAL_ERROR "json: ${entries} entries, jsonl: ${line_count} lines")
endif()

# The first 5000 lines of the sample against the whole: shares move, so a limit of 10 % fails.
file(STRINGS ${ROOT}/examples/sample.prn head LIMIT_COUNT 5000)
list(JOIN head "\n" text)
file(WRITE ${OUT}/part.prn "${text}\n")
run_case(compare-same 0 --compare examples/sample.prn --fail-above 0 examples/sample.prn)
run_case(compare-part 3 --compare examples/sample.prn --fail-above 10 --format json ${OUT}/part.prn)
file(READ ${OUT}/compare-part.stdout comparison)
string(JSON first GET "${comparison}" entries 0)
expect_keys("comparison entry" "${first}" id idText name class presence share calls mean p99 max)
file(READ ${OUT}/compare-part.stderr why)
if(NOT why MATCHES "grew by")
  message(FATAL_ERROR "compare-part: no reason on standard error:\n${why}")
endif()
run_case(fail-above-alone 2 --fail-above 5 examples/sample.prn)
