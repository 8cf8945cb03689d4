# Sourced after setup.sh. transcript NAME runs each line of stdin (with $cli, $sf2 and exported functions) in the work
# folder and writes the line, its exit status, standard error ("2> "), standard output and each file it wrote into o/
# (text as it is, else size and md5; times masked), then compares all with tests/data/expected/NAME.txt (with
# CANTORA_RENEW=1: writes that file anew; read its git diff before committing it).
# brief COMMAND...: its first two lines of output (a usage error's message and usage line).
brief() { "$@" 2>&1 | head -2; return "${PIPESTATUS[0]}"; }
export cli sf2 LC_COLLATE=C
export -f brief
transcript() {
    local expected=$src/tests/data/expected/$1.txt runner
    runner=$(
        cat <<'PY'
import hashlib, os, re, shutil, subprocess, sys
bin_dir, sf2 = sys.argv[1], sys.argv[2]
def show(data):
    if len(data) <= 20000 and not re.search(rb'[\x00-\x08\x0b\x0c\x0e-\x1f\x7f]', data):
        try:
            return data.decode().replace('\r', '^M').rstrip('\n').split('\n')
        except UnicodeDecodeError:
            pass
    return [f'<{len(data)} bytes, md5 {hashlib.md5(data).hexdigest()}>']
def mask(line):
    line = line.replace(bin_dir + '/', '').replace(os.getcwd(), 'WORK')
    line = line.replace(sf2, 'SF2') if sf2 else line
    line = re.sub(r'(in |render |encode |cpu |wall_seconds": |cpu_seconds": )\d+\.\d+', r'\1T', line)
    line = re.sub(r'^([^,]*,[^,]*,[^,]*,)[\d.]+(,.*,)[\d.]*,[\d.]*$', r'\1T\2T,T', line)
    return re.sub(r'\b\d{17,20}\b', 'T', line)
os.makedirs('o', exist_ok=True)
for cmd in sys.stdin.read().splitlines():
    if not cmd.strip():
        continue
    r = subprocess.run(['bash', '-c', cmd], capture_output=True, stdin=subprocess.DEVNULL)
    out = ['$ ' + cmd, f'exit {r.returncode}']
    out += ['2> ' + l for l in show(r.stderr)] if r.stderr else []
    out += show(r.stdout) if r.stdout else []
    for d, _, files in sorted(os.walk('o')):
        for f in sorted(files):
            out += ['-- ' + os.path.join(d, f)] + show(open(os.path.join(d, f), 'rb').read())
    shutil.rmtree('o')
    os.makedirs('o')
    print('\n'.join(mask(l) for l in out))
PY
    )
    python3 -c "$runner" "$bin" "$sf2" >"$1.txt" || fail "$1: the runner failed"
    if [ "${CANTORA_RENEW:-}" = 1 ]; then
        cp "$1.txt" "$expected" && echo "renewed $expected"
    elif ! diff -u "$expected" "$1.txt"; then
        fail "$1: the transcript differs (above: - expected, + now)"
    fi
}
