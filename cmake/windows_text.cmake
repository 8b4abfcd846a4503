# cmake -DIN=FILE -DOUT=FILE -DENCODING=CP932|ASCII -P windows_text.cmake
# Writes a UTF-8, LF text as Windows reads it: CR LF line ends, and in the
# given code page.
file(READ ${IN} text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUT}.crlf "${text}")
if(ENCODING STREQUAL "ASCII")
    file(RENAME ${OUT}.crlf ${OUT})
    return()
endif()
execute_process(COMMAND iconv -f UTF-8 -t ${ENCODING} INPUT_FILE ${OUT}.crlf OUTPUT_FILE ${OUT}
                RESULT_VARIABLE status)
file(REMOVE ${OUT}.crlf)
if(NOT status EQUAL 0)
    file(REMOVE ${OUT})
    message(FATAL_ERROR "${IN} cannot be written in ${ENCODING}")
endif()
