# 10001 empty lines: one more than the terminal loop accepts in a row.
yes "" | head -n 10001
