# The benchmark tree of bench/run.sh and bench/pack.sh: FOLDERS folders of
# FILES_PER_FOLDER small text files (1 to 8 KB) and BIG_FILES files of BIG_MB
# MB, always the same for the same sizes (fixed seed).
# Usage: python3 bench/make_tree.py OUT FOLDERS FILES_PER_FOLDER BIG_FILES BIG_MB
import os, random, sys
out, folders, per, big, mb = sys.argv[1], *map(int, sys.argv[2:])
random.seed(7)
words = "the setup window dialog book chapter listing code file example program install copy tree".split()
def text(n):
    lines = []
    size = 0
    while size < n:
        line = " ".join(random.choice(words) for _ in range(random.randint(4, 12))) + "\r\n"
        lines.append(line)
        size += len(line)
    return "".join(lines)[:n].encode()
for d in range(folders):
    folder = os.path.join(out, "DIR%03d" % d)
    os.makedirs(folder)
    for f in range(per):
        with open(os.path.join(folder, "FILE%04d.TXT" % f), "wb") as fh:
            fh.write(text(random.randint(1024, 8192)))
os.makedirs(os.path.join(out, "BIG"))
block = text(4 << 20)
for b in range(big):
    with open(os.path.join(out, "BIG", "BIG%d.DAT" % b), "wb") as fh:
        for i in range(mb // 4):
            fh.write(b"part %d of file %d\r\n" % (i, b))
            fh.write(block)
