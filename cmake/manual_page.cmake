# cmake -DCLI=zelmocb-cli -DHELP2MAN=help2man -DOUT=zelmocb-cli.1 -P manual_page.cmake
# The manual page from the program's help: the top level by help2man, then a
# section for every command that the top-level help lists, with its own help
# and its exit statuses, so that a command added to the program cannot be
# left out of the manual.
get_filename_component(dir ${OUT} DIRECTORY)

function(run_help out_var)
    execute_process(COMMAND ${CLI} ${ARGN} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${CLI} ${ARGN} --help failed")
    endif()
    # Semicolons would split the text as a CMake list.
    string(REPLACE ";" "<semicolon>" help "${help}")
    set(${out_var} "${help}" PARENT_SCOPE)
endfunction()

# The commands: the indented first words of the "Subcommands:" block.
run_help(top)
string(REGEX MATCH "\nSubcommands:\n(  [^\n]*\n)+" block "${top}")
string(REGEX MATCHALL "\n  [^ \n]+" commands "${block}")
list(TRANSFORM commands STRIP)
if(NOT commands)
    message(FATAL_ERROR "${CLI} --help lists no commands")
endif()

set(sections "[COMMANDS]\n")
string(CONCAT statuses "[EXIT STATUS]\n"
       "Without a command, with --help or --version: 0 done, 64 a bad command line.\n")
foreach(command IN LISTS commands)
    run_help(help ${command})
    if(NOT help MATCHES "\nExit status: ([^\n]*)")
        message(FATAL_ERROR "${CLI} ${command} --help gives no \"Exit status:\" line")
    endif()
    string(APPEND statuses ".TP\n.B ${command}\n${CMAKE_MATCH_1}\n")
    string(REPLACE "\\" "\\\\" help "${help}")
    string(APPEND sections ".SS ${command}\n.nf\n${help}.fi\n")
endforeach()

set(include "${sections}${statuses}")
string(APPEND include
    "[FILES]\n"
    ".TP\n.I Zelmo.ini\n"
    "The settings: read from the program's own folder when it is there, otherwise from\n"
    ".IR /etc/zelmocb/Zelmo.ini .\n"
    ".TP\n.I /etc/zelmocb/collect.conf\n"
    "The save folder and options of the nightly collection, zelmocb-collect.service and\n"
    "zelmocb-collect.timer (installed disabled); its database is\n"
    ".IR /var/lib/zelmocb/inventory.db .\n"
    "[SEE ALSO]\n"
    ".BR zelmocb (1),\n"
    "/usr/share/doc/zelmocb-cli/README.md, /usr/share/doc/zelmocb-cli/deploying.md,\n"
    "/usr/share/doc/zelmocb-cli/behaviour.md\n")
string(REPLACE "<semicolon>" ";" include "${include}")
file(WRITE ${dir}/zelmocb-cli.h2m "${include}")
execute_process(COMMAND ${HELP2MAN} --no-info --no-discard-stderr
                        --name "Zelmo CB's PC inventory without windows"
                        --include ${dir}/zelmocb-cli.h2m --output ${OUT} ${CLI}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "help2man failed on ${CLI}")
endif()
