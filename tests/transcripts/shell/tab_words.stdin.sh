# the command file, piped
cat "${0%.stdin.sh}.zoq"
