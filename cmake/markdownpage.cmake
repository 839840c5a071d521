# Writes a Markdown document as a stand-alone HTML page, for systems that open
# no Markdown, with Debian's python3-markdown (markdown_py):
#   cmake -DMARKDOWN=<markdown_py> -DTITLE=... -DIN=<file.md> -DOUT=<file.html> -P markdownpage.cmake
# Links and pictures stay relative, so the page finds its pictures beside it
# as the document does.
execute_process(COMMAND "${MARKDOWN}" -x tables -x fenced_code -x toc -e utf-8 "${IN}"
                OUTPUT_VARIABLE body RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "markdownpage: ${MARKDOWN} failed on ${IN} (${status})")
endif()
file(WRITE "${OUT}" "<!DOCTYPE html>
<html lang=\"en\">
<head>
<meta charset=\"utf-8\">
<title>${TITLE}</title>
<style>
body { font-family: sans-serif; max-width: 50em; margin: 1em auto; padding: 0 1em; line-height: 1.4; }
table { border-collapse: collapse; }
th, td { border: 1px solid #aaa; padding: 0.2em 0.5em; text-align: left; }
pre, code { background: #f4f4f4; }
img { max-width: 100%; }
</style>
</head>
<body>
${body}
</body>
</html>
")
