"""Real TDS clients against the scripted test server: pytds, FreeTDS's tsql and
FreeTDS's ODBC driver (through unixODBC's C API)."""

import datetime
import decimal
import json
import os
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import odbcclient  # noqa: E402

try:
    import pytds
except ImportError:
    pytds = None

SERVER = os.path.join(HERE, "tdsserver.py")

# Every character a connection string or a careless quoting would trip over.
TRICKY_PASSWORD = "Hosp1tal;Pa55} {=ñ"
# FreeTDS 1.3 ends a braced value at the first "}" that a ";" follows and does not undouble "}}",
# so a "}" cannot be written portably across FreeTDS versions; the ODBC tests keep to the rest.
ODBC_PASSWORD = "Hosp1tal;Pa55{ =ñ"

LONG_LATIN = ("Señor Dueñas " * 400)[:5000]
LONG_WIDE = ("Niño ñandú — ∑ " * 400)[:5000]
HUGE_WIDE = ("ñ0123456789abcdefghijklmnopqrstuvwxyz" * 3000)[:100000]


class TdsServer:
    """One server process on its own script and log in a temporary directory."""

    def __init__(self, script, max_seconds=120):
        self.dir = tempfile.mkdtemp(prefix="tdsserver-")
        self.script_path = os.path.join(self.dir, "script.json")
        self.log_path = os.path.join(self.dir, "log.jsonl")
        self.set_script(script)
        self.proc = subprocess.Popen(
            [sys.executable, SERVER, "--script", self.script_path, "--log", self.log_path,
             "--port", "0", "--max-seconds", str(max_seconds)],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        ready, _, _ = select.select([self.proc.stdout], [], [], 10)
        line = self.proc.stdout.readline().decode() if ready else ""
        if not line.startswith("PORT "):
            self.stop()
            raise RuntimeError("the server did not start: %r %r" % (line, self.stderr()))
        self.port = int(line.split()[1])

    def set_script(self, script):
        tmp = self.script_path + ".tmp"
        with open(tmp, "w", encoding="utf-8") as f:
            json.dump(script, f)
        os.replace(tmp, self.script_path)

    def events(self, kind=None):
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, encoding="utf-8") as f:
            evs = [json.loads(line) for line in f if line.strip()]
        return [e for e in evs if kind is None or e["kind"] == kind]

    def wait_for(self, pred, timeout=5.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            evs = [e for e in self.events() if pred(e)]
            if evs:
                return evs
            time.sleep(0.02)
        return []

    def stderr(self):
        try:
            return self.proc.stderr.read().decode(errors="replace") if self.proc.poll() is not None \
                else ""
        except (OSError, ValueError):
            return ""

    def stop(self):
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        if self.proc.poll() is None:
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=5)
        for f in (self.proc.stdout, self.proc.stderr):
            try:
                f.close()
            except OSError:
                pass
        shutil.rmtree(self.dir, ignore_errors=True)


class ServerTestCase(unittest.TestCase):
    def start(self, script, **kw):
        srv = TdsServer(script, **kw)
        self.addCleanup(srv.stop)
        return srv


def every_type_result():
    cols = [("i", "int"), ("bi", "bigint"), ("si", "smallint"), ("ti", "tinyint"), ("b", "bit"),
            ("dt", "datetime"), ("sdt", "smalldatetime"), ("m", "money"), ("sm", "smallmoney"),
            ("d", "decimal(12,3)"), ("n", "numeric(30,2)"), ("f", "float"), ("r", "real"),
            ("vc", "varchar(20)"), ("nvc", "nvarchar(20)"), ("c", "char(5)"), ("nc", "nchar(4)"),
            ("vmax", "varchar(max)"), ("nvmax", "nvarchar(max)"), ("t", "text"), ("nt", "ntext"),
            ("g", "uniqueidentifier")]
    row = [-2147483648, 9007199254740993, -32768, 255, 1, "2024-02-29T13:45:01.123",
           "2024-02-29T13:45:00", "922337203685477.5807", -214748.3648, "-123456789.125",
           "1234567890123456789012345678.91", 1.5e300, 0.25, "Dueñas", "Niño ∑", "ab", "ñ",
           LONG_LATIN, LONG_WIDE, "texto ñ", "ntexto ∑",
           "6F9619FF-8B86-D011-B42D-00C04FC964FF"]
    return {"columns": [{"name": n, "type": t} for n, t in cols],
            "rows": [row, [None] * len(cols)]}


# ----------------------------------------------------------------------------------------------
# pytds: an independent implementation of the client side


@unittest.skipIf(pytds is None, "pytds (Debian package python3-tds) is not importable")
class PytdsTests(ServerTestCase):
    def connect(self, srv, password=TRICKY_PASSWORD, user="mss_user", **kw):
        kw.setdefault("autocommit", True)
        kw.setdefault("login_timeout", 5)
        kw.setdefault("timeout", 10)
        conn = pytds.connect("127.0.0.1", "MSS", user, password, port=srv.port,
                             disable_connect_retry=True, **kw)
        self.addCleanup(conn.close)
        return conn

    def test_login_logs_the_password_exactly_and_a_wrong_one_fails_with_18456(self):
        srv = self.start({"users": {"mss_user": TRICKY_PASSWORD}})
        self.connect(srv, appname="MSS Suite")
        login = srv.events("login")[0]
        self.assertEqual(login["user"], "mss_user")
        self.assertEqual(login["password"], TRICKY_PASSWORD)
        self.assertEqual(login["app"], "MSS Suite")
        self.assertEqual(login["database"], "MSS")
        self.assertEqual(login["tds_version"], "7.4")
        self.assertTrue(login["accepted"])

        with self.assertRaises(pytds.Error) as cm:
            self.connect(srv, password=TRICKY_PASSWORD + "x")
        self.assertIn("18456", "%s %s" % (getattr(cm.exception, "msg_no", ""), cm.exception))
        self.assertIn("Login failed for user 'mss_user'", str(cm.exception))
        bad = srv.events("login")[-1]
        self.assertEqual(bad["password"], TRICKY_PASSWORD + "x")
        self.assertFalse(bad["accepted"])
        self.assertTrue(srv.wait_for(lambda e: e["kind"] == "disconnect" and e["conn"] == bad["conn"]))

    def test_every_column_type_and_null_comes_back_as_its_python_value(self):
        srv = self.start({"rules": [{"match": "FROM AllTypes", "respond": [every_type_result()]},
                                    {"match": "FROM Huge", "respond": [{
                                        "columns": [{"name": "h", "type": "nvarchar(max)"},
                                                    {"name": "v", "type": "varchar(max)"}],
                                        "rows": [[HUGE_WIDE, HUGE_WIDE]]}]}]})
        cur = self.connect(srv).cursor()
        cur.execute("SELECT * FROM AllTypes")
        rows = cur.fetchall()
        self.assertEqual(len(rows), 2)
        r = rows[0]
        self.assertEqual(list(r[:5]), [-2147483648, 9007199254740993, -32768, 255, True])
        self.assertEqual(r[5], datetime.datetime(2024, 2, 29, 13, 45, 1, 123000))
        self.assertEqual(r[6], datetime.datetime(2024, 2, 29, 13, 45))
        self.assertEqual(r[7], decimal.Decimal("922337203685477.5807"))
        self.assertEqual(r[8], decimal.Decimal("-214748.3648"))
        self.assertEqual(r[9], decimal.Decimal("-123456789.125"))
        self.assertEqual(r[10], decimal.Decimal("1234567890123456789012345678.91"))
        self.assertEqual(r[11], 1.5e300)
        self.assertEqual(r[12], 0.25)
        self.assertEqual(list(r[13:17]), ["Dueñas", "Niño ∑", "ab   ", "ñ   "])
        self.assertEqual(r[17], LONG_LATIN)
        self.assertEqual(r[18], LONG_WIDE)
        self.assertEqual(r[19], "texto ñ")
        self.assertEqual(r[20], "ntexto ∑")
        self.assertEqual(str(r[21]).upper(), "6F9619FF-8B86-D011-B42D-00C04FC964FF")
        self.assertEqual(list(rows[1]), [None] * 22)

        # in packets of the smallest size a client may ask for
        cur = self.connect(srv, blocksize=512).cursor()
        cur.execute("SELECT h, v FROM Huge")
        self.assertEqual(cur.fetchall(), [(HUGE_WIDE, HUGE_WIDE)])
        self.assertEqual(srv.events("login")[-1]["packet_size"], 512)

    def test_an_error_after_the_first_result_set_is_raised_with_its_number(self):
        srv = self.start({"rules": [{"match": "EXEC Save", "respond": [
            {"columns": [{"name": "a", "type": "int"}], "rows": [[1], [2]]},
            {"error": {"number": 1205, "severity": 13, "state": 51,
                       "message": "Transaction (Process ID 52) was deadlocked",
                       "procedure": "sp_MSS_SaveARR", "line": 12}}]}]})
        cur = self.connect(srv).cursor()
        with self.assertRaises(pytds.Error) as cm:
            cur.execute("EXEC Save")
            self.assertEqual(cur.fetchall(), [(1,), (2,)])
            cur.nextset()
        self.assertEqual(cm.exception.msg_no, 1205)
        self.assertEqual(cm.exception.procname, "sp_MSS_SaveARR")
        self.assertEqual(cm.exception.line, 12)
        self.assertEqual(cm.exception.severity, 13)
        # the connection goes on
        with self.assertRaises(pytds.Error) as cm:
            cur.execute("SELECT nothing scripted")
        self.assertEqual(cm.exception.msg_no, 50000)
        self.assertIn("tdsserver: no rule for: SELECT nothing scripted", str(cm.exception))

    def test_info_messages_do_not_fail_the_call(self):
        srv = self.start({"rules": [{"match": "PRINT", "respond": [
            {"info": {"number": 5701, "message": "Changed database context to 'MSS'."}},
            {"columns": [{"name": "a", "type": "varchar(5)"}], "rows": [["x"]]},
            {"info": "after the rows"}]}]})
        cur = self.connect(srv).cursor()
        cur.execute("PRINT 'x'; SELECT 'x'")
        self.assertEqual(cur.fetchall(), [("x",)])
        texts = [str(m) for m in cur.messages]
        self.assertTrue(any("Changed database context to 'MSS'." in t for t in texts), texts)

    def test_parameters_of_sp_executesql_are_logged_decoded(self):
        srv = self.start({"rules": [{"match": r"WHERE HospNum = @P1", "respond": [
            {"columns": [{"name": "n", "type": "int"}], "rows": [[7]]}]}]})
        cur = self.connect(srv).cursor()
        when = datetime.datetime(2024, 2, 29, 13, 45, 1, 123000)
        cur.execute("SELECT n FROM Patient WHERE HospNum = %s AND Name = %s AND Amount = %s "
                    "AND Rate = %s AND Gone = %s AND Seen = %s AND Big = %s",
                    ("0001", "Dueñas", decimal.Decimal("12.50"), 0.5, None, when, 2**40))
        self.assertEqual(cur.fetchall(), [(7,)])
        rpc = srv.events("rpc")[0]
        self.assertEqual(rpc["proc"], "sp_executesql")
        # pytds writes a None into the text as NULL
        self.assertEqual(rpc["text"], "SELECT n FROM Patient WHERE HospNum = @P1 AND Name = @P2 "
                         "AND Amount = @P3 AND Rate = @P4 AND Gone = NULL AND Seen = @P5 AND Big = @P6")
        values = [p["value"] for p in rpc["params"][2:]]
        self.assertEqual(values[:2], ["0001", "Dueñas"])
        self.assertEqual(decimal.Decimal(values[2]), decimal.Decimal("12.50"))
        self.assertEqual(values[3], 0.5)
        self.assertTrue(values[4].startswith("2024-02-29T13:45:01.123"), values[4])
        self.assertEqual(values[5], 2**40)

    def test_rules_count_their_uses_and_a_changed_script_is_read_again(self):
        srv = self.start({"rules": [
            {"match": "^SELECT n", "times": 1, "respond": [
                {"columns": [{"name": "n", "type": "int"}], "rows": [[1]]}]},
            {"match": "^SELECT n", "respond": [
                {"columns": [{"name": "n", "type": "int"}], "rows": [[2]]}]}]})
        cur = self.connect(srv).cursor()
        got = []
        for _ in range(3):
            cur.execute("SELECT n")
            got.append(cur.fetchall()[0][0])
        self.assertEqual(got, [1, 2, 2])
        srv.set_script({"rules": [
            {"match": "^SELECT n", "times": 1, "respond": [
                {"columns": [{"name": "n", "type": "int"}], "rows": [[3]]}]},
            {"match": "^SELECT n", "respond": [
                {"columns": [{"name": "n", "type": "int"}], "rows": [[4]]}]}]})
        got = []
        for _ in range(2):
            cur.execute("SELECT n")
            got.append(cur.fetchall()[0][0])
        self.assertEqual(got, [3, 4])

    def test_a_half_written_script_keeps_the_last_good_one(self):
        srv = self.start({"rules": [{"match": "^SELECT n", "respond": [
            {"columns": [{"name": "n", "type": "int"}], "rows": [[1]]}]}]})
        cur = self.connect(srv).cursor()
        with open(srv.script_path, "w") as f:
            f.write('{"rules": [')
        cur.execute("SELECT n")
        self.assertEqual(cur.fetchall(), [(1,)])
        self.assertTrue(srv.events("script_error"))

    def test_a_script_the_server_cannot_encode_gives_an_error_not_a_broken_stream(self):
        srv = self.start({"rules": [
            {"match": "too long", "respond": [
                {"columns": [{"name": "a", "type": "varchar(3)"}], "rows": [["abcd"]]}]},
            {"match": "bad type", "respond": [
                {"columns": [{"name": "a", "type": "geography"}], "rows": []}]}]})
        cur = self.connect(srv).cursor()
        for sql in ("SELECT too long", "SELECT bad type"):
            with self.assertRaises(pytds.Error) as cm:
                cur.execute(sql)
                cur.fetchall()
            self.assertIn("tdsserver: bad script", str(cm.exception))
        cur.execute("SET NOCOUNT ON")   # still in step with the server

    def test_builtin_statements_and_the_transaction_count(self):
        srv = self.start({"rules": [{"match": "^UPDATE Bill", "respond": [{"rowcount": 3}]}]})
        conn = self.connect(srv)
        cur = conn.cursor()
        cur.execute("USE [MSS_Test]")
        cur.execute("SET DATEFORMAT mdy\nSET TEXTSIZE 2147483647; SET XACT_ABORT ON")
        cur.execute("BEGIN TRANSACTION\nUPDATE Bill SET Paid = 1")
        self.assertEqual(cur.rowcount, 3)
        cur.execute("IF @@TRANCOUNT > 0 COMMIT TRANSACTION")
        cur.execute("IF @@TRANCOUNT > 0 ROLLBACK")   # nothing open: no error
        with self.assertRaises(pytds.Error) as cm:
            cur.execute("ROLLBACK TRANSACTION")
        self.assertEqual(cm.exception.msg_no, 3903)
        cur.execute("BEGIN TRAN")
        cur.execute("BEGIN TRAN")
        cur.execute("COMMIT")
        cur.execute("ROLLBACK")          # the outer one is still open
        with self.assertRaises(pytds.Error) as cm:
            cur.execute("COMMIT TRAN")
        self.assertEqual(cm.exception.msg_no, 3902)
        cur.execute("BEGIN TRANSACTION Save1; SAVE TRANSACTION sp1")
        cur.execute("UPDATE Bill SET Paid = 2")
        cur.execute("ROLLBACK TRANSACTION sp1")          # to the savepoint: still open
        with self.assertRaises(pytds.Error) as cm:
            cur.execute("ROLLBACK TRANSACTION sp2")
        self.assertEqual(cm.exception.msg_no, 6401)
        cur.execute("COMMIT TRANSACTION")
        with self.assertRaises(pytds.Error) as cm:
            cur.execute("SAVE TRANSACTION sp1")
        self.assertEqual(cm.exception.msg_no, 628)
        texts = [e["text"] for e in srv.events("batch")]
        self.assertIn("BEGIN TRANSACTION\nUPDATE Bill SET Paid = 1", texts)
        self.assertIn("USE [MSS_Test]", texts)

    def test_a_long_batch_arrives_whole_across_packets(self):
        srv = self.start({"unmatched": "empty"})
        cur = self.connect(srv).cursor()
        sql = "SELECT '" + "ñ" * 20000 + "'"
        cur.execute(sql)
        self.assertEqual(srv.events("batch")[-1]["text"], sql)

    def test_latency_is_paid_each_way_and_the_log_in_can_be_slowed(self):
        srv = self.start({"latency_ms": 150, "unmatched": "empty", "login": {"delay_ms": 400}})
        t = time.monotonic()
        cur = self.connect(srv).cursor()
        took = time.monotonic() - t
        self.assertGreaterEqual(took, 4 * 0.15 + 0.4)   # pre-login and log-in, each both ways
        self.assertLess(took, 3)
        t = time.monotonic()
        cur.execute("SET NOCOUNT ON")
        took = time.monotonic() - t
        self.assertGreaterEqual(took, 0.29)
        self.assertLess(took, 1.5)

    def test_a_named_procedure_gets_its_return_status_and_rows(self):
        srv = self.start({"rules": [{"proc": "sp_MSS_LoadARR", "respond": [
            {"columns": [{"name": "HospNum", "type": "varchar(20)"}], "rows": [["0001"]]},
            {"return_status": 0}]},
            {"proc": "sp_MSS_SaveARR", "respond": [
                {"error": {"number": 547, "message": "The INSERT statement conflicted",
                           "procedure": "sp_MSS_SaveARR", "line": 40}},
                {"return_status": -6}]}]})
        cur = self.connect(srv).cursor()
        cur.callproc("sp_MSS_LoadARR", (7, "ñ"))
        self.assertEqual(cur.fetchall(), [("0001",)])
        rpc = srv.events("rpc")[0]
        self.assertEqual(rpc["proc"], "sp_MSS_LoadARR")
        self.assertEqual([p["value"] for p in rpc["params"]], [7, "ñ"])
        with self.assertRaises(pytds.Error) as cm:
            cur.callproc("sp_MSS_SaveARR", ())
        self.assertEqual(cm.exception.msg_no, 547)
        self.assertEqual(cm.exception.line, 40)

    def test_drops_close_the_connection_before_or_after_a_partial_answer(self):
        srv = self.start({"rules": [
            {"match": "DROP NOW", "respond": [{"drop": True}]},
            {"match": "DROP LATER", "respond": [
                {"columns": [{"name": "a", "type": "int"}], "rows": [[1]]}, {"drop": True}]}]})
        for sql in ("DROP NOW", "DROP LATER"):
            conn = self.connect(srv)
            cur = conn.cursor()
            with self.assertRaises(Exception):
                cur.execute(sql)
                cur.fetchall()
                cur.nextset()
                cur.execute("SELECT 1")
        # Each connection is served on its own thread, so the two disconnects may be
        # logged in either order: wait for both before reading them.
        for conn in (1, 2):
            self.assertTrue(srv.wait_for(lambda e, c=conn: e["kind"] == "disconnect" and e["conn"] == c))
        drops = sorted(e["conn"] for e in srv.events("disconnect") if e["reason"] == "drop")
        self.assertEqual(drops, [1, 2])

    def test_connections_are_served_at_once(self):
        srv = self.start({"rules": [{"match": "slow", "delay_ms": 1000, "respond": [
            {"columns": [{"name": "a", "type": "int"}], "rows": [[1]]}]}]})
        results = []

        def one():
            conn = pytds.connect("127.0.0.1", "MSS", "u", "p", port=srv.port, autocommit=True,
                                 login_timeout=5, timeout=10, disable_connect_retry=True)
            try:
                cur = conn.cursor()
                cur.execute("SELECT slow")
                results.append(cur.fetchall())
            finally:
                conn.close()

        t = time.monotonic()
        threads = [threading.Thread(target=one) for _ in range(8)]
        for th in threads:
            th.start()
        for th in threads:
            th.join(15)
        self.assertEqual(results, [[(1,)]] * 8)
        self.assertLess(time.monotonic() - t, 5.0)   # one after another would take 8 s

    def test_transaction_manager_requests_are_logged(self):
        srv = self.start({"unmatched": "empty"})
        conn = self.connect(srv, autocommit=False)
        conn.cursor().execute("UPDATE x SET y = 1")
        conn.commit()
        conn.rollback()
        ops = [e["op"] for e in srv.events("tm")]
        self.assertEqual(ops[0], "begin")
        self.assertIn("commit", ops)
        self.assertIn("rollback", ops)


# ----------------------------------------------------------------------------------------------
# FreeTDS's tsql


@unittest.skipIf(shutil.which("tsql") is None, "tsql (Debian package freetds-bin) is not installed")
class TsqlTests(ServerTestCase):
    def test_tsql_logs_in_and_prints_rows(self):
        srv = self.start({"users": {"mss_user": TRICKY_PASSWORD}, "rules": [
            {"match": "FROM Patient", "respond": [
                {"columns": [{"name": "HospNum", "type": "varchar(20)"},
                             {"name": "Amount", "type": "money"}],
                 "rows": [["0001", 12.5], [None, None]]}]}]})
        conf = os.path.join(srv.dir, "freetds.conf")
        open(conf, "w").close()
        env = dict(os.environ, TDSVER="7.4", FREETDSCONF=conf, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        out = subprocess.run(
            ["tsql", "-H", "127.0.0.1", "-p", str(srv.port), "-U", "mss_user", "-P", TRICKY_PASSWORD,
             "-o", "q"],
            input="SELECT HospNum, Amount FROM Patient\ngo\n".encode(), env=env,
            capture_output=True, timeout=20)
        text = out.stdout.decode(errors="replace")
        self.assertEqual(out.returncode, 0, text + out.stderr.decode(errors="replace"))
        self.assertIn("0001\t12.5000", text)
        self.assertIn("NULL\tNULL", text)
        login = srv.events("login")[0]
        self.assertEqual(login["password"], TRICKY_PASSWORD)
        self.assertEqual(login["tds_version"], "7.4")
        self.assertEqual(srv.events("batch")[-1]["text"].strip(), "SELECT HospNum, Amount FROM Patient")


# ----------------------------------------------------------------------------------------------
# FreeTDS's ODBC driver


def freetds_odbc_available():
    if odbcclient.library() is None:
        return False
    try:
        out = subprocess.run(["odbcinst", "-q", "-d"], capture_output=True, timeout=10).stdout
    except (OSError, subprocess.TimeoutExpired):
        return False
    return b"[FreeTDS]" in out


@unittest.skipUnless(freetds_odbc_available(),
                     "unixODBC with FreeTDS's driver registered (Debian packages unixodbc, tdsodbc)")
class OdbcTests(ServerTestCase):
    def conn_str(self, srv, extra=""):
        pwd = ODBC_PASSWORD
        return ("DRIVER=FreeTDS;Server=127.0.0.1;Port=%d;TDS_Version=7.4;UID=mss_user;PWD={%s};"
                "Database=MSS;%s" % (srv.port, pwd, extra))

    def start(self, script, **kw):
        script.setdefault("users", {"mss_user": ODBC_PASSWORD})
        return super().start(script, **kw)

    def connect(self, srv, extra="", **kw):
        conn = odbcclient.Connection(self.conn_str(srv, extra), **kw)
        self.addCleanup(conn.close)
        return conn

    def test_log_in_and_read_every_type_as_text(self):
        srv = self.start({"rules": [{"match": "FROM AllTypes", "respond": [every_type_result()]}]})
        st = self.connect(srv).statement()
        st.execute("SELECT * FROM AllTypes")
        rows = st.fetchall()
        self.assertFalse(st.more_results())
        login = srv.events("login")[0]
        self.assertEqual(login["password"], ODBC_PASSWORD)
        self.assertEqual(login["database"], "MSS")
        r = rows[0]
        self.assertEqual(r[:5], ("-2147483648", "9007199254740993", "-32768", "255", "1"))
        self.assertEqual(r[5], "2024-02-29 13:45:01.123")
        self.assertEqual(r[7], "922337203685477.5807")
        self.assertEqual(r[9], "-123456789.125")
        self.assertEqual(r[13:17], ("Dueñas", "Niño ∑", "ab   ", "ñ   "))
        self.assertEqual(r[17], LONG_LATIN)
        self.assertEqual(r[18], LONG_WIDE)
        self.assertEqual(r[19:21], ("texto ñ", "ntexto ∑"))
        self.assertEqual(rows[1], (None,) * 22)

    def test_a_packet_size_the_server_chooses_is_honoured_for_long_values(self):
        # FreeTDS always asks for 4096 in its log-in; the server's answer is what counts.
        srv = self.start({"packet_size": 512, "rules": [{"match": "FROM Huge", "respond": [{
            "columns": [{"name": "h", "type": "nvarchar(max)"}], "rows": [[HUGE_WIDE]]}]}]})
        st = self.connect(srv).statement()
        st.execute("SELECT h FROM Huge")
        self.assertEqual(st.fetchall(), [(HUGE_WIDE,)])
        long_text = "x" * 3000
        st.execute("SELECT h FROM Huge WHERE a = ?", [long_text])
        self.assertEqual(st.fetchall(), [(HUGE_WIDE,)])
        self.assertEqual(srv.events("rpc")[-1]["params"][2]["value"], long_text)

    def test_exec_direct_with_parameters_is_sp_executesql(self):
        srv = self.start({"rules": [
            {"match": r"^UPDATE Bill SET Paid = @P1", "respond": [{"rowcount": 4}]},
            {"match": r"^SELECT HospNum FROM Patient", "respond": [
                {"columns": [{"name": "HospNum", "type": "varchar(20)"}], "rows": [["0001"]]}]}]})
        st = self.connect(srv).statement()
        when = datetime.datetime(2024, 2, 29, 13, 45, 1, 123000)
        st.execute("UPDATE Bill SET Paid = ? WHERE Name = ? AND Seen = ? AND Rate = ? AND Gone = ?",
                   [1, "Dueñas", when, 0.5, None])
        self.assertEqual(st.rowcount(), 4)
        rpc = srv.events("rpc")[-1]
        self.assertEqual(rpc["proc"], "sp_executesql")
        self.assertEqual(rpc["text"],
                         "UPDATE Bill SET Paid = @P1 WHERE Name = @P2 AND Seen = @P3 AND Rate = @P4 "
                         "AND Gone = @P5")
        values = [p["value"] for p in rpc["params"][2:]]
        self.assertEqual(values[0], 1)
        self.assertEqual(values[1], "Dueñas")
        self.assertEqual(values[2], "2024-02-29T13:45:01.123")
        self.assertEqual(values[3], 0.5)
        self.assertIsNone(values[4])

        st.execute("SELECT HospNum FROM Patient")    # no parameters: a plain batch
        self.assertEqual(st.fetchall(), [("0001",)])
        self.assertEqual(srv.events("batch")[-1]["text"], "SELECT HospNum FROM Patient")

    def test_the_call_escape_is_an_rpc_of_the_named_procedure(self):
        srv = self.start({"rules": [{"proc": "sp_MSS_LoadARR", "respond": [
            {"columns": [{"name": "HospNum", "type": "varchar(20)"}], "rows": [["0001"]]},
            {"return_status": 0}]}]})
        st = self.connect(srv).statement()
        st.execute("{call sp_MSS_LoadARR(?, ?)}", [7, "Dueñas"])
        self.assertEqual(st.fetchall(), [("0001",)])
        rpc = srv.events("rpc")[-1]
        self.assertEqual(rpc["proc"], "sp_MSS_LoadARR")
        self.assertEqual([a["value"] for a in rpc["args"]], [7, "Dueñas"])

    def test_prepare_then_execute_reuses_the_handle(self):
        srv = self.start({"rules": [{"match": r"^SELECT Name FROM Patient WHERE HospNum = @P1$",
                                     "respond": [{"columns": [{"name": "Name", "type": "nvarchar(30)"}],
                                                  "rows": [["Dueñas"]]}]}]})
        conn = self.connect(srv)
        st = conn.statement()
        st.prepare("SELECT Name FROM Patient WHERE HospNum = ?")
        st.bind(["0001"])
        st.run_prepared()
        self.assertEqual(st.fetchall(), [("Dueñas",)])
        st.rewrite(0, "0002")
        st.run_prepared()
        self.assertEqual(st.fetchall(), [("Dueñas",)])
        st.close()
        rpcs = srv.events("rpc")
        self.assertEqual([e["proc"] for e in rpcs], ["sp_prepexec", "sp_execute", "sp_unprepare"])
        self.assertEqual(rpcs[1]["handle"], rpcs[0]["handle"])
        self.assertEqual(rpcs[1]["params"][1]["value"], "0002")

    def test_a_statement_timeout_sends_an_attention_and_the_connection_goes_on(self):
        srv = self.start({"rules": [
            {"match": "WAITFOR", "delay_ms": 20000, "respond": [{"rowcount": 1}]},
            {"match": "^SELECT 1$", "respond": [{"columns": [{"name": "a", "type": "int"}],
                                                 "rows": [[1]]}]}]})
        st = self.connect(srv).statement()
        st.set_timeout(1)
        t = time.monotonic()
        with self.assertRaises(odbcclient.OdbcError) as cm:
            st.execute("WAITFOR DELAY '00:00:20'")
        took = time.monotonic() - t
        self.assertEqual(cm.exception.sqlstates[0], "HYT00")
        self.assertLess(took, 5)
        self.assertTrue(srv.events("attention"))
        st.execute("SELECT 1")
        self.assertEqual(st.fetchall(), [("1",)])

    def test_a_silent_answer_is_cancelled_the_same_way(self):
        srv = self.start({"rules": [
            {"match": "HANG", "respond": [{"columns": [{"name": "a", "type": "int"}], "rows": [[1]]},
                                          {"silent": True}]},
            {"match": "^SELECT 1$", "respond": [{"columns": [{"name": "a", "type": "int"}],
                                                 "rows": [[1]]}]}]})
        st = self.connect(srv).statement()
        st.set_timeout(1)
        with self.assertRaises(odbcclient.OdbcError) as cm:
            st.execute("HANG")
            st.fetchall()
            st.more_results()
        self.assertIn("HYT00", cm.exception.sqlstates)
        st.execute("SELECT 1")
        self.assertEqual(st.fetchall(), [("1",)])

    def test_an_ignored_cancel_costs_the_connection(self):
        srv = self.start({"rules": [
            {"match": "WAITFOR", "delay_ms": 20000, "ignore_attention": True,
             "respond": [{"rowcount": 1}]}]})
        st = self.connect(srv).statement()
        st.set_timeout(1)
        t = time.monotonic()
        with self.assertRaises(odbcclient.OdbcError) as cm:
            st.execute("WAITFOR DELAY '00:00:20'")
        took = time.monotonic() - t
        self.assertEqual(cm.exception.sqlstates[0], "HYT00")
        self.assertLess(took, 6)    # FreeTDS waits one more timeout for the cancel's answer
        self.assertTrue(srv.events("attention"))
        with self.assertRaises(odbcclient.OdbcError) as cm:
            st.execute("SELECT 1")
        self.assertEqual(cm.exception.sqlstates[0], "08S01")
        # the server notices the client has gone even while it sits out the delay
        self.assertTrue(srv.wait_for(lambda e: e["kind"] == "disconnect", timeout=3))

    def test_a_drop_is_a_communication_link_failure(self):
        srv = self.start({"rules": [
            {"match": "DROP NOW", "respond": [{"drop": True}]},
            {"match": "DROP LATER", "respond": [
                {"columns": [{"name": "a", "type": "int"}], "rows": [[1]]}, {"drop": True}]}]})
        st = self.connect(srv).statement()
        with self.assertRaises(odbcclient.OdbcError) as cm:
            st.execute("DROP NOW")
        self.assertEqual(cm.exception.records[0][1], 20017)   # "Unexpected EOF from the server"
        with self.assertRaises(odbcclient.OdbcError) as cm:
            st.execute("DROP NOW")
        self.assertEqual(cm.exception.sqlstates[0], "08S01")

        st = self.connect(srv).statement()
        st.execute("DROP LATER")
        self.assertEqual(st.fetchall(), [("1",)])
        # FreeTDS reports the lost link after a complete result set only as a warning.
        st.more_results()
        self.assertIn(20017, [w[1] for w in st.warnings])
        with self.assertRaises(odbcclient.OdbcError) as cm:
            st.execute("SELECT 1")
        self.assertEqual(cm.exception.sqlstates[0], "08S01")

    def test_a_silent_server_times_the_log_in_out(self):
        srv = self.start({"login": {"silent": True}})
        t = time.monotonic()
        with self.assertRaises(odbcclient.OdbcError) as cm:
            self.connect(srv, login_timeout=1)
        took = time.monotonic() - t
        self.assertEqual(cm.exception.sqlstates[0], "HYT00")
        self.assertLess(took, 4)
        self.assertTrue(srv.wait_for(lambda e: e["kind"] == "disconnect"))
        self.assertEqual(srv.events("prelogin"), [])

    def test_a_dropped_log_in_fails_at_once(self):
        srv = self.start({"login": {"drop": True}})
        with self.assertRaises(odbcclient.OdbcError) as cm:
            self.connect(srv, login_timeout=5)
        self.assertEqual(cm.exception.sqlstates[0], "08001")

    def test_error_in_a_parametrised_statement_carries_number_and_text(self):
        srv = self.start({"rules": [{"match": "sp_MSS_SaveARR", "respond": [
            {"rowcount": 1},
            {"error": {"number": 1205, "severity": 13, "state": 51,
                       "message": "Transaction (Process ID 52) was deadlocked",
                       "procedure": "sp_MSS_SaveARR", "line": 12}}]}]})
        st = self.connect(srv).statement()
        with self.assertRaises(odbcclient.OdbcError) as cm:
            st.execute("EXEC sp_MSS_SaveARR ?", [5])
            while st.more_results():
                pass
        natives = [r[1] for r in cm.exception.records]
        self.assertIn(1205, natives)
        self.assertTrue(any("deadlocked" in r[2] for r in cm.exception.records))

    def test_transactions_as_the_driver_sends_them(self):
        srv = self.start({"rules": [{"match": "^UPDATE Bill", "respond": [{"rowcount": 1}]}]})
        conn = self.connect(srv)
        st = conn.statement()
        conn.set_autocommit(False)
        st.execute("UPDATE Bill SET Paid = 1")
        conn.commit()
        st.execute("UPDATE Bill SET Paid = 2")
        conn.rollback()
        conn.set_autocommit(True)
        st.execute("BEGIN TRANSACTION\nUPDATE Bill SET Paid = 3")
        self.assertEqual(st.rowcount(), 1)
        st.execute("IF @@TRANCOUNT > 0 COMMIT TRANSACTION")
        tms = [(e["op"], e.get("begin_new", False)) for e in srv.events("tm")]
        self.assertEqual(tms, [("begin", False), ("commit", True), ("rollback", True),
                               ("rollback", False)])


# ----------------------------------------------------------------------------------------------
# The server's own life


class LifecycleTests(unittest.TestCase):
    def test_garbage_closes_only_its_own_connection(self):
        srv = TdsServer({"unmatched": "empty"})
        self.addCleanup(srv.stop)
        junk = [b"\x12\x01\x00\x03\x00\x00\x00\x00",                      # length below a header
                b"\x12\x01\x00\x10\x00\x00\x00\x00\x00\x00\xff\xff\x00\x00\x00\x00",  # option past the end
                b"\x10\x01\x00\x10\x00\x00\x00\x00" + b"\x01" * 8]      # a log-in far too short
        for data in junk:
            with socket.create_connection(("127.0.0.1", srv.port), timeout=5) as s:
                s.sendall(data)
                self.assertEqual(s.recv(100), b"")
        self.assertEqual(len(srv.events("protocol_error")), 2)
        self.assertEqual(srv.events("server_error"), [])
        if pytds is not None:
            conn = pytds.connect("127.0.0.1", "MSS", "u", "p", port=srv.port, autocommit=True,
                                 login_timeout=5, disable_connect_retry=True)
            conn.cursor().execute("SET NOCOUNT ON")
            conn.close()

    def test_the_server_stops_when_its_stdin_closes_or_its_time_is_up(self):
        srv = TdsServer({}, max_seconds=60)
        try:
            srv.proc.stdin.close()
            srv.proc.wait(timeout=5)
        finally:
            srv.stop()
        srv = TdsServer({}, max_seconds=1)
        try:
            t = time.monotonic()
            srv.proc.wait(timeout=6)
            self.assertLess(time.monotonic() - t, 5)
        finally:
            srv.stop()


if __name__ == "__main__":
    unittest.main()
