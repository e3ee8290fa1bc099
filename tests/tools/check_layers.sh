#!/usr/bin/env bash
# Checks that every project include of lib/ and app/ names its folder and reaches only
# that folder or one below it.
#
#   check_layers.sh SOURCE_ROOT "LIB_LAYERS" "APP_LAYERS"
#
# The layer lists are bottom to top, as CMakeLists.txt gives them (separated by blanks or
# semicolons); every lib layer lies
# below every app layer. Prints each offending line and exits 1 when there is one.
set -u
root=$1
read -r -a layers <<< "${2//;/ } ${3//;/ }"
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

bad=0
while IFS= read -r -d '' file; do
  relative=${file#"$root"/}
  own=$(cut -d/ -f2 <<< "$relative")
  own_rank=${rank[$own]:-}
  if [ -z "$own_rank" ]; then
    echo "$relative: folder $own is not a layer"
    bad=1
    continue
  fi
  line_number=0
  while IFS= read -r line; do
    line_number=$((line_number + 1))
    [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]*)\" ]] || continue
    target=${BASH_REMATCH[1]}
    if [[ $target != */* ]]; then
      echo "$relative:$line_number: include \"$target\" does not name its folder"
      bad=1
      continue
    fi
    folder=${target%%/*}
    target_rank=${rank[$folder]:-}
    if [ -z "$target_rank" ]; then
      echo "$relative:$line_number: include \"$target\" names no layer"
      bad=1
    elif [ "$target_rank" -gt "$own_rank" ]; then
      echo "$relative:$line_number: include \"$target\" reaches up from $own to $folder"
      bad=1
    fi
  done < "$file"
done < <(find "$root/lib" "$root/app" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)

[ "$bad" -eq 0 ] && echo "Every include reaches its own layer or one below it"
exit "$bad"
