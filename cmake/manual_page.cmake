# cmake -DCLI=zelmocb-cli -DHELP2MAN=help2man -DOUT=zelmocb-cli.1 -P manual_page.cmake
# The manual page from the program's help: the top level by help2man, each
# command's own help as a section of its own.
get_filename_component(dir ${OUT} DIRECTORY)
set(include "[COMMANDS]\n")
foreach(command scan facts)
    execute_process(COMMAND ${CLI} ${command} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${CLI} ${command} --help failed")
    endif()
    string(REPLACE "\\" "\\\\" help "${help}")
    string(APPEND include ".SS ${command}\n.nf\n${help}.fi\n")
endforeach()
string(APPEND include "[EXIT STATUS]\n0 done; 2 a run-time error (its message on standard error); "
       "64 a bad command line (named on standard error).\n"
       "[SEE ALSO]\n/usr/share/doc/zelmocb/behaviour.md, /usr/share/doc/zelmocb/deploying.md\n")
file(WRITE ${dir}/zelmocb-cli.h2m "${include}")
execute_process(COMMAND ${HELP2MAN} --no-info --no-discard-stderr
                        --name "Zelmo CB's PC inventory without windows"
                        --include ${dir}/zelmocb-cli.h2m --output ${OUT} ${CLI}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "help2man failed on ${CLI}")
endif()
