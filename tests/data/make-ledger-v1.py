#!/usr/bin/env python3
"""Makes ledger-v1.rvledger: a ledger as the first schema version kept it, with a run of two
letters, a reply amount entered and a page read back, its log chained as the program chains
it. Run from this folder; the migration test opens a copy of the result."""
import hashlib, json, os, sqlite3

path = "ledger-v1.rvledger"
if os.path.exists(path):
    os.remove(path)
db = sqlite3.connect(path)
db.executescript("""
CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE runs (id INTEGER PRIMARY KEY, at TEXT NOT NULL, kind TEXT NOT NULL, output TEXT NOT NULL, template TEXT NOT NULL, username TEXT NOT NULL, letters INTEGER NOT NULL, reprints INTEGER NOT NULL);
CREATE TABLE letters (id INTEGER PRIMARY KEY, number TEXT NOT NULL, customer TEXT NOT NULL, cut_off TEXT NOT NULL, cents BIGINT, template TEXT NOT NULL, fields TEXT NOT NULL, first_run BIGINT NOT NULL REFERENCES runs(id), page_sha256 TEXT NOT NULL, reprints INTEGER NOT NULL, voided TEXT, void_reason TEXT NOT NULL, answered INTEGER NOT NULL, send_method TEXT NOT NULL, waybill TEXT NOT NULL, send_date TEXT NOT NULL, reply_date TEXT NOT NULL, reply_amount TEXT NOT NULL, result TEXT NOT NULL, note TEXT NOT NULL);
CREATE UNIQUE INDEX letters_live_number ON letters(number) WHERE voided IS NULL;
CREATE TABLE sendings (id INTEGER PRIMARY KEY, letter BIGINT NOT NULL REFERENCES letters(id), run BIGINT NOT NULL REFERENCES runs(id), page_sha256 TEXT NOT NULL, reprint INTEGER NOT NULL);
CREATE INDEX sendings_letter ON sendings(letter);
CREATE TABLE replies (id INTEGER PRIMARY KEY, file_sha256 TEXT NOT NULL, page INTEGER NOT NULL, file TEXT NOT NULL, number TEXT NOT NULL, letter BIGINT REFERENCES letters(id), state TEXT NOT NULL, received TEXT NOT NULL, note TEXT NOT NULL, recorded TEXT NOT NULL, UNIQUE (file_sha256, page));
CREATE TABLE log (id BIGINT PRIMARY KEY, at TEXT NOT NULL, username TEXT NOT NULL, action TEXT NOT NULL, subject TEXT NOT NULL, field TEXT NOT NULL, old_value TEXT NOT NULL, new_value TEXT NOT NULL, previous_hash TEXT NOT NULL, hash TEXT NOT NULL);
CREATE INDEX log_subject ON log(subject);
PRAGMA application_id = 1381387335;
""")

def compact(value):
    return json.dumps(value, ensure_ascii=False, sort_keys=True, separators=(",", ":"))

log = []
def append(action, subject, field, old, new):
    previous = log[-1][-1] if log else ""
    entry = [len(log) + 1, "2026-11-02T09:00:0%d.000Z" % len(log), "auditor", action, subject,
             field, old, new, previous]
    canonical = b"".join(str(len(f.encode())).encode() + b":" + f.encode() + b"\x1f"
                         for f in map(str, entry))
    entry.append(hashlib.sha256(canonical).hexdigest())
    log.append(entry)

append("建立", "台账", "", "", "2026 年报审计")
run = {"kind": "PDF", "output": "/srv/papers/询证函.pdf", "template": "应收帐款确认函",
       "letters": 2, "reprints": 0}
db.execute("INSERT INTO runs VALUES (1, '2026-11-02T09:00:01.000Z', 'PDF', ?, ?, 'auditor', 2, 0)",
           (run["output"], run["template"]))
append("运行", "运行 1", "", "", compact(run))
letters = [("HZ2026-0001", "杭州甲公司", "123456789"), ("HZ2026-0002", "杭州乙公司", "50000")]
for i, (number, customer, cents) in enumerate(letters, 1):
    identity = {"number": number, "customer": customer, "cutOff": "2026-10-31", "cents": cents,
                "template": "应收帐款确认函", "fields": []}
    page = hashlib.sha256(number.encode()).hexdigest()
    db.execute("INSERT INTO letters VALUES (?, ?, ?, '2026-10-31', ?, '应收帐款确认函', '[]', 1, ?, 0,"
               " NULL, '', 0, '', '', '', '', '', '', '')", (i, number, customer, int(cents), page))
    db.execute("INSERT INTO sendings VALUES (?, ?, 1, ?, 0)", (i, i, page))
    append("发函", number, "", "", compact({"letter": identity, "page": page, "run": "1"}))
db.execute("UPDATE letters SET reply_amount = '1234567.89' WHERE id = 1")
append("修改", "HZ2026-0001", "回函金额", "", "1234567.89")
reply = {"file": hashlib.sha256(b"scan").hexdigest(), "page": 1, "path": "/srv/scans/1.pdf",
         "number": "HZ2026-0001", "state": "已匹配", "received": "2026-11-20", "channel": ""}
db.execute("INSERT INTO replies VALUES (1, ?, 1, ?, ?, 1, '已匹配', '2026-11-20', '', "
           "'2026-11-21T08:00:00.000Z')", (reply["file"], reply["path"], reply["number"]))
append("回函页", "HZ2026-0001", "", "", compact(reply))
db.execute("UPDATE letters SET answered = 1, reply_date = '2026-11-20' WHERE id = 1")
append("回函", "HZ2026-0001", "回函日期", "", "2026-11-20")
db.executemany("INSERT INTO log VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", log)
db.executemany("INSERT INTO meta VALUES (?, ?)", [("schema_version", "1"),
               ("engagement", "2026 年报审计"), ("log_head", "%d:%s" % (len(log), log[-1][-1]))])
db.commit()
db.execute("VACUUM")
db.close()
