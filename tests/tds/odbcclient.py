"""A small ODBC client on unixODBC's C API through ctypes.

The tests drive FreeTDS's ODBC driver with the same calls a C++ program makes
(SQLDriverConnectW, SQLExecDirectW with bound parameters, SQLPrepareW and
SQLExecute, SQLEndTran, the query and login timeouts) and see every diagnostic
record, which a general-purpose binding would hide or retry around.
"""

import ctypes
import ctypes.util
import datetime

SQL_SUCCESS = 0
SQL_SUCCESS_WITH_INFO = 1
SQL_NO_DATA = 100
SQL_ERROR = -1
SQL_NULL_DATA = -1
SQL_NTS = -3

SQL_HANDLE_ENV = 1
SQL_HANDLE_DBC = 2
SQL_HANDLE_STMT = 3

SQL_ATTR_ODBC_VERSION = 200
SQL_OV_ODBC3 = 3
SQL_ATTR_AUTOCOMMIT = 102
SQL_ATTR_LOGIN_TIMEOUT = 103
SQL_ATTR_QUERY_TIMEOUT = 0
SQL_DRIVER_NOPROMPT = 0
SQL_COMMIT = 0
SQL_ROLLBACK = 1
SQL_CLOSE = 0
SQL_RESET_PARAMS = 3
SQL_PARAM_INPUT = 1

SQL_C_CHAR = 1
SQL_C_WCHAR = -8
SQL_C_SLONG = -16
SQL_C_SBIGINT = -25
SQL_C_DOUBLE = 8
SQL_C_TYPE_TIMESTAMP = 93

SQL_VARCHAR = 12
SQL_WVARCHAR = -9
SQL_WLONGVARCHAR = -10
SQL_INTEGER = 4
SQL_BIGINT = -5
SQL_DOUBLE = 8
SQL_TYPE_TIMESTAMP = 93

SQLHANDLE = ctypes.c_void_p
SQLLEN = ctypes.c_ssize_t
SQLULEN = ctypes.c_size_t
SQLRETURN = ctypes.c_short


class TimestampStruct(ctypes.Structure):
    _fields_ = [("year", ctypes.c_short), ("month", ctypes.c_ushort), ("day", ctypes.c_ushort),
                ("hour", ctypes.c_ushort), ("minute", ctypes.c_ushort), ("second", ctypes.c_ushort),
                ("fraction", ctypes.c_uint)]


_lib = None


def library():
    """unixODBC's driver manager, or None when it is not installed."""
    global _lib
    if _lib is None:
        name = ctypes.util.find_library("odbc") or "libodbc.so.2"
        try:
            lib = ctypes.CDLL(name)
        except OSError:
            return None
        lib.SQLAllocHandle.argtypes = [ctypes.c_short, SQLHANDLE, ctypes.POINTER(SQLHANDLE)]
        lib.SQLSetEnvAttr.argtypes = [SQLHANDLE, ctypes.c_int, ctypes.c_void_p, ctypes.c_int]
        lib.SQLSetConnectAttrW.argtypes = [SQLHANDLE, ctypes.c_int, ctypes.c_void_p, ctypes.c_int]
        lib.SQLSetStmtAttrW.argtypes = [SQLHANDLE, ctypes.c_int, ctypes.c_void_p, ctypes.c_int]
        lib.SQLDriverConnectW.argtypes = [SQLHANDLE, ctypes.c_void_p, ctypes.c_char_p, ctypes.c_short,
                                          ctypes.c_char_p, ctypes.c_short,
                                          ctypes.POINTER(ctypes.c_short), ctypes.c_ushort]
        lib.SQLExecDirectW.argtypes = [SQLHANDLE, ctypes.c_char_p, ctypes.c_int]
        lib.SQLPrepareW.argtypes = [SQLHANDLE, ctypes.c_char_p, ctypes.c_int]
        lib.SQLExecute.argtypes = [SQLHANDLE]
        lib.SQLBindParameter.argtypes = [SQLHANDLE, ctypes.c_ushort, ctypes.c_short, ctypes.c_short,
                                         ctypes.c_short, SQLULEN, ctypes.c_short, ctypes.c_void_p,
                                         SQLLEN, ctypes.POINTER(SQLLEN)]
        lib.SQLNumResultCols.argtypes = [SQLHANDLE, ctypes.POINTER(ctypes.c_short)]
        lib.SQLFetch.argtypes = [SQLHANDLE]
        lib.SQLGetData.argtypes = [SQLHANDLE, ctypes.c_ushort, ctypes.c_short, ctypes.c_void_p, SQLLEN,
                                   ctypes.POINTER(SQLLEN)]
        lib.SQLMoreResults.argtypes = [SQLHANDLE]
        lib.SQLRowCount.argtypes = [SQLHANDLE, ctypes.POINTER(SQLLEN)]
        lib.SQLFreeStmt.argtypes = [SQLHANDLE, ctypes.c_ushort]
        lib.SQLEndTran.argtypes = [ctypes.c_short, SQLHANDLE, ctypes.c_short]
        lib.SQLGetDiagRecW.argtypes = [ctypes.c_short, SQLHANDLE, ctypes.c_short, ctypes.c_char_p,
                                       ctypes.POINTER(ctypes.c_int), ctypes.c_char_p, ctypes.c_short,
                                       ctypes.POINTER(ctypes.c_short)]
        lib.SQLDisconnect.argtypes = [SQLHANDLE]
        lib.SQLFreeHandle.argtypes = [ctypes.c_short, SQLHANDLE]
        for f in ("SQLAllocHandle", "SQLSetEnvAttr", "SQLSetConnectAttrW", "SQLSetStmtAttrW",
                  "SQLDriverConnectW", "SQLExecDirectW", "SQLPrepareW", "SQLExecute",
                  "SQLBindParameter", "SQLNumResultCols", "SQLFetch", "SQLGetData", "SQLMoreResults",
                  "SQLRowCount", "SQLFreeStmt", "SQLEndTran", "SQLGetDiagRecW", "SQLDisconnect",
                  "SQLFreeHandle"):
            getattr(lib, f).restype = SQLRETURN
        _lib = lib
    return _lib


def _wide(s):
    data = s.encode("utf-16-le")
    return ctypes.create_string_buffer(data + b"\x00\x00", len(data) + 2), len(data) // 2


def diagnostics(htype, handle):
    """Every diagnostic record of a handle: [(sqlstate, native, message)]."""
    lib = library()
    out = []
    for i in range(1, 20):
        state = ctypes.create_string_buffer(12)
        native = ctypes.c_int()
        msg = ctypes.create_string_buffer(4096)
        mlen = ctypes.c_short()
        rc = lib.SQLGetDiagRecW(htype, handle, i, state, ctypes.byref(native), msg, 2048,
                                ctypes.byref(mlen))
        if rc not in (SQL_SUCCESS, SQL_SUCCESS_WITH_INFO):
            break
        n = min(mlen.value, 2047)
        out.append((state.raw[:10].decode("utf-16-le"), native.value,
                    msg.raw[:n * 2].decode("utf-16-le", errors="replace")))
    return out


class OdbcError(Exception):
    def __init__(self, function, rc, records):
        self.function = function
        self.rc = rc
        self.records = records
        self.sqlstates = [r[0] for r in records]
        super().__init__("%s returned %d: %s" % (function, rc, records))


class Connection:
    def __init__(self, conn_str, login_timeout=None, autocommit=True):
        lib = library()
        if lib is None:
            raise RuntimeError("unixODBC (libodbc.so.2) is not installed")
        self.lib = lib
        self.env = SQLHANDLE()
        self.dbc = SQLHANDLE()
        self.connected = False
        self.warnings = []
        lib.SQLAllocHandle(SQL_HANDLE_ENV, None, ctypes.byref(self.env))
        lib.SQLSetEnvAttr(self.env, SQL_ATTR_ODBC_VERSION, ctypes.c_void_p(SQL_OV_ODBC3), 0)
        lib.SQLAllocHandle(SQL_HANDLE_DBC, self.env, ctypes.byref(self.dbc))
        if login_timeout is not None:
            self._check("SQLSetConnectAttrW", lib.SQLSetConnectAttrW(
                self.dbc, SQL_ATTR_LOGIN_TIMEOUT, ctypes.c_void_p(int(login_timeout)), 0))
        if not autocommit:
            self._check("SQLSetConnectAttrW", lib.SQLSetConnectAttrW(
                self.dbc, SQL_ATTR_AUTOCOMMIT, ctypes.c_void_p(0), 0))
        buf, n = _wide(conn_str)
        out = ctypes.create_string_buffer(4096)
        outlen = ctypes.c_short()
        rc = lib.SQLDriverConnectW(self.dbc, None, buf, n, out, 1024, ctypes.byref(outlen),
                                   SQL_DRIVER_NOPROMPT)
        try:
            self._check("SQLDriverConnectW", rc)
        except OdbcError:
            self._free()
            raise
        self.connected = True

    def _check(self, function, rc):
        if rc == SQL_SUCCESS_WITH_INFO:
            self.warnings.extend(diagnostics(SQL_HANDLE_DBC, self.dbc))
        elif rc != SQL_SUCCESS:
            raise OdbcError(function, rc, diagnostics(SQL_HANDLE_DBC, self.dbc))
        return rc

    def set_autocommit(self, on):
        self._check("SQLSetConnectAttrW", self.lib.SQLSetConnectAttrW(
            self.dbc, SQL_ATTR_AUTOCOMMIT, ctypes.c_void_p(1 if on else 0), 0))

    def commit(self):
        self._check("SQLEndTran", self.lib.SQLEndTran(SQL_HANDLE_DBC, self.dbc, SQL_COMMIT))

    def rollback(self):
        self._check("SQLEndTran", self.lib.SQLEndTran(SQL_HANDLE_DBC, self.dbc, SQL_ROLLBACK))

    def statement(self):
        return Statement(self)

    def _free(self):
        if self.dbc:
            self.lib.SQLFreeHandle(SQL_HANDLE_DBC, self.dbc)
            self.dbc = SQLHANDLE()
        if self.env:
            self.lib.SQLFreeHandle(SQL_HANDLE_ENV, self.env)
            self.env = SQLHANDLE()

    def close(self):
        if self.connected:
            self.lib.SQLDisconnect(self.dbc)
            self.connected = False
        self._free()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class Statement:
    def __init__(self, conn):
        self.conn = conn
        self.lib = conn.lib
        self.h = SQLHANDLE()
        self.warnings = []
        self._keep = []
        conn._check("SQLAllocHandle", self.lib.SQLAllocHandle(SQL_HANDLE_STMT, conn.dbc,
                                                              ctypes.byref(self.h)))

    def _check(self, function, rc, allow_no_data=False):
        if rc == SQL_SUCCESS_WITH_INFO:
            self.warnings.extend(diagnostics(SQL_HANDLE_STMT, self.h))
        elif rc == SQL_NO_DATA and allow_no_data:
            pass
        elif rc != SQL_SUCCESS:
            raise OdbcError(function, rc, diagnostics(SQL_HANDLE_STMT, self.h))
        return rc

    def set_timeout(self, seconds):
        self._check("SQLSetStmtAttrW", self.lib.SQLSetStmtAttrW(
            self.h, SQL_ATTR_QUERY_TIMEOUT, ctypes.c_void_p(int(seconds)), 0))

    def bind(self, params):
        self.lib.SQLFreeStmt(self.h, SQL_RESET_PARAMS)
        self._keep = []
        for i, v in enumerate(params or [], start=1):
            ind = SQLLEN(0)
            if v is None:
                buf, ctype, stype, size, digits, blen = None, SQL_C_CHAR, SQL_VARCHAR, 1, 0, 0
                ind.value = SQL_NULL_DATA
            elif isinstance(v, bool) or isinstance(v, int):
                if -2**31 <= int(v) < 2**31:
                    buf, ctype, stype, size = ctypes.c_int(int(v)), SQL_C_SLONG, SQL_INTEGER, 10
                else:
                    buf, ctype, stype, size = ctypes.c_longlong(int(v)), SQL_C_SBIGINT, SQL_BIGINT, 19
                digits, blen = 0, 0
            elif isinstance(v, float):
                buf, ctype, stype, size, digits, blen = ctypes.c_double(v), SQL_C_DOUBLE, SQL_DOUBLE, \
                    15, 0, 0
            elif isinstance(v, datetime.datetime):
                buf = TimestampStruct(v.year, v.month, v.day, v.hour, v.minute, v.second,
                                      (v.microsecond // 1000) * 1000000)
                ctype, stype, size, digits, blen = SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3, 0
            else:
                s = str(v)
                buf, n = _wide(s)
                ctype = SQL_C_WCHAR
                stype = SQL_WVARCHAR if n <= 4000 else SQL_WLONGVARCHAR
                size, digits, blen = max(n, 1), 0, len(buf)
                ind.value = n * 2
            self._keep.append((buf, ind))
            ptr = ctypes.cast(ctypes.byref(buf), ctypes.c_void_p) if buf is not None else None
            self._check("SQLBindParameter", self.lib.SQLBindParameter(
                self.h, i, SQL_PARAM_INPUT, ctype, stype, size, digits, ptr, blen,
                ctypes.byref(ind)))

    def execute(self, sql, params=None):
        """SQLExecDirectW, with the parameters bound first."""
        self.lib.SQLFreeStmt(self.h, SQL_CLOSE)
        self.bind(params)
        buf, n = _wide(sql)
        return self._check("SQLExecDirectW", self.lib.SQLExecDirectW(self.h, buf, n),
                           allow_no_data=True)

    def prepare(self, sql):
        self.lib.SQLFreeStmt(self.h, SQL_CLOSE)
        buf, n = _wide(sql)
        self._check("SQLPrepareW", self.lib.SQLPrepareW(self.h, buf, n))

    def execute_prepared(self, params=None):
        self.lib.SQLFreeStmt(self.h, SQL_CLOSE)
        self.bind(params)
        return self._check("SQLExecute", self.lib.SQLExecute(self.h), allow_no_data=True)

    def run_prepared(self):
        """SQLExecute with the parameters as bound: a changed value, not a new binding."""
        self.lib.SQLFreeStmt(self.h, SQL_CLOSE)
        return self._check("SQLExecute", self.lib.SQLExecute(self.h), allow_no_data=True)

    def rewrite(self, index, text):
        """Changes a bound text parameter in place; it must be no longer than what was bound."""
        buf, ind = self._keep[index]
        data = text.encode("utf-16-le")
        if len(data) + 2 > len(buf):
            raise ValueError("longer than the bound buffer")
        ctypes.memmove(buf, data + b"\x00\x00", len(data) + 2)
        ind.value = len(data)

    def columns(self):
        n = ctypes.c_short()
        self._check("SQLNumResultCols", self.lib.SQLNumResultCols(self.h, ctypes.byref(n)))
        return n.value

    def rowcount(self):
        n = SQLLEN()
        self._check("SQLRowCount", self.lib.SQLRowCount(self.h, ctypes.byref(n)))
        return n.value

    def _text(self, col):
        parts = []
        buf = ctypes.create_string_buffer(8192)
        ind = SQLLEN()
        for _ in range(100000):
            rc = self.lib.SQLGetData(self.h, col, SQL_C_WCHAR, buf, len(buf), ctypes.byref(ind))
            if rc == SQL_NO_DATA:
                break
            if rc not in (SQL_SUCCESS, SQL_SUCCESS_WITH_INFO):
                raise OdbcError("SQLGetData", rc, diagnostics(SQL_HANDLE_STMT, self.h))
            if ind.value == SQL_NULL_DATA:
                return None
            if rc == SQL_SUCCESS:
                parts.append(buf.raw[:ind.value])
                break
            parts.append(buf.raw[:len(buf) - 2])
        return b"".join(parts).decode("utf-16-le")

    def fetchall(self):
        """The current result's rows, every value as text (None for NULL)."""
        ncols = self.columns()
        rows = []
        if ncols == 0:
            return rows
        for _ in range(10**6):
            rc = self.lib.SQLFetch(self.h)
            if rc == SQL_NO_DATA:
                break
            self._check("SQLFetch", rc)
            rows.append(tuple(self._text(c) for c in range(1, ncols + 1)))
        return rows

    def more_results(self):
        rc = self._check("SQLMoreResults", self.lib.SQLMoreResults(self.h), allow_no_data=True)
        return rc != SQL_NO_DATA

    def close(self):
        if self.h:
            self.lib.SQLFreeHandle(SQL_HANDLE_STMT, self.h)
            self.h = SQLHANDLE()
