# qe_gzip_file(INPUT OUTPUT): INPUT packed into OUTPUT at configure time,
# without its name or time stamp (gzip -n), so that two builds of one version
# give the same bytes, as Debian wants of manual pages and changelogs.
function(qe_gzip_file input output)
  execute_process(COMMAND gzip -9 -n -c INPUT_FILE ${input} OUTPUT_FILE ${output}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip could not pack ${input}: ${status}")
  endif()
endfunction()
