#!/bin/sh
# vela-cgc from the outside: assembly on stdout and status 0, or the diagnostics (named by
# file) on stderr and status 1.   tool_test.sh VELA_CGC CORPUS_DIR
set -u
cgc=$1 corpus=$2 out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
failed=0
check() { if ! eval "$2"; then echo "FAIL: $1" >&2; cat "$out" "$err" >&2; failed=1; fi; }

"$cgc" -profile arbvp1 "$corpus/demo_vertex.cg" >"$out" 2>"$err"
check "the demo's vertex text compiles" '[ $? -eq 0 ] && head -n1 "$out" | grep -qx "!!ARBvp1.0" && [ ! -s "$err" ]'

printf 'float4 main(float4 c : COLOR0) : COLOR { return c * SCALE; }' | "$cgc" -profile arbfp1 -DSCALE=0.5 - >"$out" 2>"$err"
check "standard input and -D" '[ $? -eq 0 ] && grep -q "MUL result.color, fragment.color, c0.x;" "$out"'

printf 'uniform float a, b;\nfloat4 main() : COLOR { return float4(a, b, a, b); }' | "$cgc" -profile arbfp1 -packuniforms - >"$out" 2>"$err"
check "-packuniforms: two scalars in one slot" '[ $? -eq 0 ] && [ $(grep -c "^PARAM" "$out") -eq 1 ] && grep -q "MOV result.color, packed0.xyxy;" "$out"'

printf 'float4 main(float4 c : COLOR0) : COLOR {\n  return colour;\n}\n' | "$cgc" -profile arbfp1 - >"$out" 2>"$err"
check "an error, named by its file" '[ $? -eq 1 ] && [ ! -s "$out" ] && head -n1 "$err" | grep -qx "<stdin>:2:10: error: undeclared name '"'"'colour'"'"'"'

for pass in lower opt alloc; do
  printf 'float4 main(float4 a : COLOR0, float4 b : TEXCOORD0) : COLOR { return a * b + 1; }' |
    "$cgc" -profile arbfp1 -dump $pass - >"$out" 2>"$err"
  check "-dump $pass shows the IR" '[ $? -eq 0 ] && grep -q "^out.COLOR0 = " "$out" && ! grep -q "^!!ARB" "$out"'
  case $pass in
    lower) check "the lowering's MUL and ADD" 'grep -q "= MUL 4 in.COLOR0.xyzw, in.TEXCOORD0.xyzw" "$out" && grep -q "= ADD 4" "$out"' ;;
    *) check "one MAD after $pass" '[ $(grep -c " = MAD 4 " "$out") -eq 1 ] && ! grep -q " = MUL " "$out"' ;;
  esac
done
check "-dump alloc places values" 'grep -q -- "-> out.COLOR0" "$out"'

"$cgc" -profile arbvp1 -entry vmain "$corpus/demo_vertex.cg" >"$out" 2>"$err"
check "another entry" '[ $? -eq 1 ] && grep -q "demo_vertex.cg:1:.*: error: no entry function '"'"'vmain'"'"'" "$err"'

"$cgc" "$corpus/demo_vertex.cg" >"$out" 2>"$err"
check "no profile" '[ $? -eq 1 ] && grep -q "^usage: vela-cgc -profile" "$err"'

"$cgc" -profile arbfp1 "$corpus/no such file.cg" >"$out" 2>"$err"
check "a missing file" '[ $? -eq 1 ] && grep -q "^vela-cgc: cannot read" "$err"'
"$cgc" -profile arbvp1 -o /dev/full "$corpus/demo_vertex.cg" >"$out" 2>"$err"
check "a full disk is an error" '[ $? -eq 1 ] && grep -q "^vela-cgc: cannot write '"'"'/dev/full'"'"'" "$err"'

head -c 3000000 /dev/zero | "$cgc" -profile arbfp1 - >"$out" 2>"$err"
check "endless input stops at the limit" '[ $? -eq 1 ] && grep -q "too long (more than 1 MiB)" "$err"'

"$cgc" "$corpus/demo_vertex.cg" -profile >"$out" 2>"$err"
check "a missing option value" '[ $? -eq 1 ] && head -n1 "$err" | grep -qx "vela-cgc: -profile needs a value"'
exit $failed
