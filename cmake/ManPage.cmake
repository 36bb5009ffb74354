# cmake -P script: writes the manual page OUTPUT of the storagexml program
# PROGRAM from the program's own help texts, so that the two never differ:
# the top-level help gives the name, description, options and exit status,
# and each subcommand's help (its examples included) a section of its own.

function(help variable)
  execute_process(COMMAND ${PROGRAM} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ${ARGN} --help failed (${result})")
  endif()
  string(STRIP "${text}" text)
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

# Text as roff shows it: backslashes and minus signs escaped, and no line
# taken for a request.
function(roff variable text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

# A block shown as it stands, line for line.
function(verbatim variable text)
  roff(text "${text}")
  set(${variable} ".nf\n${text}\n.fi\n" PARENT_SCOPE)
endfunction()

execute_process(COMMAND ${PROGRAM} --version OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE)
help(top)
string(REGEX MATCH "^[^.\n]*" summary "${top}")
string(REGEX MATCH "\nOptions:\n.*\n\nSubcommands:" options "${top}")
string(REGEX REPLACE "^\nOptions:\n|\n\nSubcommands:$" "" options "${options}")
string(REGEX MATCH "Subcommands:\n[^\n]+(\n  [^\n]+)*" listing "${top}")
string(REGEX MATCHALL "\n  [a-z]+ " subcommands "${listing}")
string(REGEX MATCH "[^\n]+\n[^\n]+$" status "${top}")

roff(summary "${summary}")
string(SUBSTRING "${summary}" 0 1 first)
string(SUBSTRING "${summary}" 1 -1 rest)
string(TOLOWER "${first}" first)
set(summary "${first}${rest}")
set(page ".TH STORAGEXML 1 \"\" \"${version}\" \"User Commands\"\n.SH NAME\nstoragexml \\- ${summary}\n")
string(APPEND page ".SH SYNOPSIS\n")
set(commands "")
foreach(subcommand IN LISTS subcommands)
  string(STRIP "${subcommand}" subcommand)
  help(text ${subcommand})
  string(REGEX MATCH "Usage: [^\n]+" usage "${text}")
  string(REGEX REPLACE "^Usage: " "" usage "${usage}")
  roff(usage "${usage}")
  string(APPEND page ".B ${usage}\n.br\n")
  verbatim(text "${text}")
  string(APPEND commands ".SS ${subcommand}\n${text}")
endforeach()
string(REGEX MATCH "^[^\n]+" description "${top}")
roff(description "${description}")
verbatim(options "${options}")
roff(status "${status}")
string(APPEND page ".SH DESCRIPTION\n${description}\n.SH OPTIONS\n${options}.SH COMMANDS\n${commands}"
                   ".SH EXIT STATUS\n${status}\n")
file(WRITE ${OUTPUT} "${page}")
