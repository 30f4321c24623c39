#!/usr/bin/env python3
"""A scripted stand-in for SQL Server that speaks TDS 7.4 on 127.0.0.1.

Real clients (FreeTDS's ODBC driver and tsql, pytds) log into it and get the
answers a JSON script describes; everything that comes over the wire is logged
as JSON lines so a test can check what the client sent and how often.

    python3 tdsserver.py --script SCRIPT.json --log LOG.jsonl [--port 0] [--max-seconds 600]

It prints "PORT <n>" once it listens and stops when its stdin reaches EOF or
after --max-seconds.  See README.md beside it for the script and log formats.
"""

import argparse
import datetime
import decimal
import json
import os
import queue
import re
import socket
import struct
import sys
import threading
import time
import uuid

# Packet types.
PKT_SQLBATCH = 0x01
PKT_RPC = 0x03
PKT_REPLY = 0x04
PKT_ATTENTION = 0x06
PKT_BULK = 0x07
PKT_TM = 0x0E
PKT_LOGIN7 = 0x10
PKT_SSPI = 0x11
PKT_PRELOGIN = 0x12

STATUS_EOM = 0x01

# Tokens.
TOK_COLMETADATA = 0x81
TOK_ERROR = 0xAA
TOK_INFO = 0xAB
TOK_RETURNVALUE = 0xAC
TOK_LOGINACK = 0xAD
TOK_FEATUREEXTACK = 0xAE
TOK_ROW = 0xD1
TOK_ENVCHANGE = 0xE3
TOK_RETURNSTATUS = 0x79
TOK_DONE = 0xFD
TOK_DONEPROC = 0xFE
TOK_DONEINPROC = 0xFF

DONE_FINAL = 0x00
DONE_MORE = 0x01
DONE_ERROR = 0x02
DONE_COUNT = 0x10
DONE_ATTN = 0x20

CMD_SELECT = 0xC1

ENV_DATABASE = 1
ENV_LANGUAGE = 2
ENV_PACKETSIZE = 4
ENV_COLLATION = 7
ENV_BEGINTRAN = 8
ENV_COMMITTRAN = 9
ENV_ROLLBACKTRAN = 10

# Data types.
T_NULL = 0x1F
T_INT1 = 0x30
T_BIT = 0x32
T_INT2 = 0x34
T_INT4 = 0x38
T_DATETIM4 = 0x3A
T_FLT4 = 0x3B
T_MONEY = 0x3C
T_DATETIME = 0x3D
T_FLT8 = 0x3E
T_MONEY4 = 0x7A
T_INT8 = 0x7F
T_GUID = 0x24
T_INTN = 0x26
T_DECIMAL = 0x37
T_NUMERIC = 0x3F
T_BITN = 0x68
T_DECIMALN = 0x6A
T_NUMERICN = 0x6C
T_FLTN = 0x6D
T_MONEYN = 0x6E
T_DATETIMN = 0x6F
T_DATEN = 0x28
T_TIMEN = 0x29
T_DATETIME2N = 0x2A
T_DATETIMEOFFSETN = 0x2B
T_CHAR = 0x2F
T_VARCHAR = 0x27
T_BINARY = 0x2D
T_VARBINARY = 0x25
T_BIGVARBIN = 0xA5
T_BIGVARCHR = 0xA7
T_BIGBINARY = 0xAD
T_BIGCHAR = 0xAF
T_NVARCHAR = 0xE7
T_NCHAR = 0xEF
T_XML = 0xF1
T_UDT = 0xF0
T_TEXT = 0x23
T_IMAGE = 0x22
T_NTEXT = 0x63
T_SSVARIANT = 0x62

FIXED_SIZES = {T_NULL: 0, T_INT1: 1, T_BIT: 1, T_INT2: 2, T_INT4: 4, T_DATETIM4: 4, T_FLT4: 4,
               T_MONEY: 8, T_DATETIME: 8, T_FLT8: 8, T_MONEY4: 4, T_INT8: 8}

# Latin1_General_CI_AS as SQL Server announces it: LCID 0x0409, case-insensitive, sort id 52
# (code page 1252).
COLLATION = bytes([0x09, 0x04, 0xD0, 0x00, 0x34])
CODEPAGE = "cp1252"

WELL_KNOWN_PROCS = {1: "sp_cursor", 2: "sp_cursoropen", 3: "sp_cursorprepare", 4: "sp_cursorexecute",
                    5: "sp_cursorprepexec", 6: "sp_cursorunprepare", 7: "sp_cursorfetch",
                    8: "sp_cursoroption", 9: "sp_cursorclose", 10: "sp_executesql", 11: "sp_prepare",
                    12: "sp_execute", 13: "sp_prepexec", 14: "sp_prepexecrpc", 15: "sp_unprepare"}

TDS_VERSIONS = {0x70000000: "7.0", 0x71000000: "7.1", 0x71000001: "7.1", 0x72090002: "7.2",
                0x730A0003: "7.3", 0x730B0003: "7.3", 0x74000004: "7.4"}

TM_OPS = {0: "get_dtc_address", 1: "propagate", 5: "begin", 6: "promote", 7: "commit",
          8: "rollback", 9: "save"}

SERVER_NAME = "TDSSERVER"
PLP_CHUNK = 4000          # bytes per PLP chunk: long values go out in several
MAX_CONNECTIONS = 200
MAX_MESSAGE = 64 * 1024 * 1024   # a request larger than this closes the connection

WIDE = decimal.Context(prec=80)
EPOCH_1900 = datetime.datetime(1900, 1, 1)
DATE_0001 = datetime.date(1, 1, 1)


class ScriptError(Exception):
    """The script asks for something this server cannot encode."""


# ----------------------------------------------------------------------------------------------
# Encoding helpers


def b_varchar(s):
    data = s.encode("utf-16-le")
    if len(data) // 2 > 255:
        data = data[:510]
    return bytes([len(data) // 2]) + data


def us_varchar(s):
    data = s.encode("utf-16-le")
    if len(data) // 2 > 65535:
        data = data[:131070]
    return struct.pack("<H", len(data) // 2) + data


def b_varbyte(b):
    return bytes([len(b)]) + b


def token_with_len(tok, body):
    return bytes([tok]) + struct.pack("<H", len(body)) + body


def env_string(kind, new, old):
    return token_with_len(TOK_ENVCHANGE, bytes([kind]) + b_varchar(new) + b_varchar(old))


def env_bytes(kind, new, old):
    return token_with_len(TOK_ENVCHANGE, bytes([kind]) + b_varbyte(new) + b_varbyte(old))


def message_token(tok, number, message, severity=16, state=1, procedure="", line=1,
                  server=SERVER_NAME):
    body = (struct.pack("<iBB", int(number), int(state) & 0xFF, int(severity) & 0xFF)
            + us_varchar(str(message)) + b_varchar(server) + b_varchar(procedure or "")
            + struct.pack("<i", int(line)))
    return token_with_len(tok, body)


def error_token(number, message, severity=16, state=1, procedure="", line=1):
    return message_token(TOK_ERROR, number, message, severity, state, procedure, line)


def info_token(number, message, severity=0, state=1, procedure="", line=1):
    return message_token(TOK_INFO, number, message, severity, state, procedure, line)


def done_token(tok, status, count=0, curcmd=0):
    return bytes([tok]) + struct.pack("<HHQ", status, curcmd, count)


def returnstatus_token(value):
    return bytes([TOK_RETURNSTATUS]) + struct.pack("<i", int(value))


# ----------------------------------------------------------------------------------------------
# Result column types (script type names -> wire encoding)


def _to_decimal(v):
    if isinstance(v, bool):
        return decimal.Decimal(int(v))
    if isinstance(v, float):
        return decimal.Decimal(repr(v))
    try:
        return decimal.Decimal(str(v).strip())
    except decimal.InvalidOperation:
        raise ScriptError("not a number: %r" % (v,))


def _to_int(v):
    if isinstance(v, bool):
        return int(v)
    if isinstance(v, int):
        return v
    if isinstance(v, float) and v.is_integer():
        return int(v)
    try:
        return int(str(v).strip())
    except ValueError:
        raise ScriptError("not an integer: %r" % (v,))


def _to_datetime(v):
    if not isinstance(v, str):
        raise ScriptError("a datetime must be a string YYYY-MM-DDTHH:MM:SS[.mmm]: %r" % (v,))
    s = v.strip().replace(" ", "T")
    try:
        if "T" not in s:
            return datetime.datetime.fromisoformat(s + "T00:00:00")
        return datetime.datetime.fromisoformat(s)
    except ValueError:
        raise ScriptError("not a datetime: %r" % (v,))


def _to_text(v):
    if isinstance(v, str):
        return v
    if isinstance(v, bool):
        return "1" if v else "0"
    return str(v)


def _plp(data):
    out = [struct.pack("<Q", len(data))]
    for i in range(0, len(data), PLP_CHUNK):
        chunk = data[i:i + PLP_CHUNK]
        out.append(struct.pack("<I", len(chunk)))
        out.append(chunk)
    out.append(struct.pack("<I", 0))
    return b"".join(out)


PLP_NULL = b"\xff" * 8


class Column:
    """One result column: its type info on the wire and how to encode its values."""

    def __init__(self, name, decl):
        self.name = str(name)
        self.decl = str(decl)
        self.table_name = b""   # text/ntext carry a table name after their type info
        s = self.decl.strip().lower().replace(" ", "")
        m = re.fullmatch(r"([a-z]+)(?:\((max|\d+)(?:,(\d+))?\))?", s)
        if not m:
            raise ScriptError("unknown column type %r" % (decl,))
        base, size, scale = m.group(1), m.group(2), m.group(3)
        self.base = base
        ints = {"tinyint": (1, "<B"), "smallint": (2, "<h"), "int": (4, "<i"), "bigint": (8, "<q")}
        if base in ints:
            self.size, self.fmt = ints[base]
            self.typeinfo = bytes([T_INTN, self.size])
            self.enc = self._enc_int
        elif base == "bit":
            self.typeinfo = bytes([T_BITN, 1])
            self.enc = lambda v: b"\x01" + bytes([1 if _to_int(v) else 0])
        elif base in ("float", "real"):
            self.size = 8 if base == "float" else 4
            self.typeinfo = bytes([T_FLTN, self.size])
            fmt = "<d" if self.size == 8 else "<f"
            self.enc = lambda v: bytes([self.size]) + struct.pack(fmt, float(_to_decimal(v)))
        elif base in ("money", "smallmoney"):
            self.size = 8 if base == "money" else 4
            self.typeinfo = bytes([T_MONEYN, self.size])
            self.enc = self._enc_money
        elif base in ("datetime", "smalldatetime"):
            self.size = 8 if base == "datetime" else 4
            self.typeinfo = bytes([T_DATETIMN, self.size])
            self.enc = self._enc_datetime
        elif base == "date":
            self.typeinfo = bytes([T_DATEN])
            self.enc = lambda v: b"\x03" + self._date3(_to_datetime(v).date())
        elif base == "datetime2":
            self.scale = int(size) if size not in (None, "max") else 7
            if self.scale > 7:
                raise ScriptError("datetime2 scale above 7: %r" % (decl,))
            self.typeinfo = bytes([T_DATETIME2N, self.scale])
            self.enc = self._enc_datetime2
        elif base in ("decimal", "numeric"):
            self.precision = int(size) if size not in (None, "max") else 18
            self.scale = int(scale) if scale is not None else 0
            if not 1 <= self.precision <= 38 or self.scale > self.precision:
                raise ScriptError("bad precision/scale: %r" % (decl,))
            self.size = 5 if self.precision <= 9 else 9 if self.precision <= 19 else \
                13 if self.precision <= 28 else 17
            tcode = T_DECIMALN if base == "decimal" else T_NUMERICN
            self.typeinfo = bytes([tcode, self.size, self.precision, self.scale])
            self.enc = self._enc_decimal
        elif base in ("varchar", "char", "nvarchar", "nchar"):
            wide = base.startswith("n")
            self.wide = wide
            self.fixed = base in ("char", "nchar")
            limit = 4000 if wide else 8000
            if size == "max":
                if self.fixed:
                    raise ScriptError("%s(max) does not exist" % base)
                self.maxlen = None
                self.typeinfo = bytes([T_NVARCHAR if wide else T_BIGVARCHR]) + b"\xff\xff" + COLLATION
                self.enc = self._enc_plp_text
            else:
                n = int(size) if size else 1
                if not 1 <= n <= limit:
                    raise ScriptError("length out of range: %r" % (decl,))
                self.maxlen = n * 2 if wide else n
                tcode = {"varchar": T_BIGVARCHR, "char": T_BIGCHAR, "nvarchar": T_NVARCHAR,
                         "nchar": T_NCHAR}[base]
                self.typeinfo = bytes([tcode]) + struct.pack("<H", self.maxlen) + COLLATION
                self.enc = self._enc_short_text
        elif base in ("text", "ntext"):
            self.wide = base == "ntext"
            tcode = T_NTEXT if self.wide else T_TEXT
            self.typeinfo = bytes([tcode]) + struct.pack("<I", 0x7FFFFFFE if self.wide else 0x7FFFFFFF) \
                + COLLATION
            self.table_name = b"\x01" + us_varchar("T")
            self.enc = self._enc_text
        elif base == "uniqueidentifier":
            self.typeinfo = bytes([T_GUID, 16])
            self.enc = self._enc_guid
        elif base in ("varbinary", "binary"):
            if size == "max":
                if base == "binary":
                    raise ScriptError("binary(max) does not exist")
                self.maxlen = None
                self.typeinfo = bytes([T_BIGVARBIN]) + b"\xff\xff"
            else:
                self.maxlen = int(size) if size else 1
                if not 1 <= self.maxlen <= 8000:
                    raise ScriptError("length out of range: %r" % (decl,))
                self.typeinfo = bytes([T_BIGVARBIN if base == "varbinary" else T_BIGBINARY]) \
                    + struct.pack("<H", self.maxlen)
            self.fixed = base == "binary"
            self.enc = self._enc_binary
        else:
            raise ScriptError("unknown column type %r" % (decl,))

    def null(self):
        t = self.typeinfo[0]
        if t in (T_BIGVARCHR, T_NVARCHAR, T_BIGVARBIN) and self.typeinfo[1:3] == b"\xff\xff":
            return PLP_NULL
        if t in (T_BIGVARCHR, T_BIGCHAR, T_NVARCHAR, T_NCHAR, T_BIGVARBIN, T_BIGBINARY):
            return b"\xff\xff"
        if t in (T_TEXT, T_NTEXT):
            return b"\x00"
        return b"\x00"

    def encode(self, v):
        if v is None:
            return self.null()
        return self.enc(v)

    def metadata(self):
        # user type 0, flags: nullable
        return struct.pack("<IH", 0, 0x0001) + self.typeinfo + self.table_name + b_varchar(self.name)

    # -- encoders

    def _enc_int(self, v):
        n = _to_int(v)
        try:
            return bytes([self.size]) + struct.pack(self.fmt, n)
        except struct.error:
            raise ScriptError("%d out of range for %s" % (n, self.base))

    def _enc_money(self, v):
        units = int(WIDE.multiply(_to_decimal(v), 10000).to_integral_value(
            rounding=decimal.ROUND_HALF_EVEN, context=WIDE))
        if self.size == 4:
            if not -2**31 <= units < 2**31:
                raise ScriptError("%r out of range for smallmoney" % (v,))
            return b"\x04" + struct.pack("<i", units)
        if not -2**63 <= units < 2**63:
            raise ScriptError("%r out of range for money" % (v,))
        return b"\x08" + struct.pack("<iI", units >> 32, units & 0xFFFFFFFF)

    def _enc_datetime(self, v):
        dt = _to_datetime(v)
        days = (dt.date() - EPOCH_1900.date()).days
        secs = dt.hour * 3600 + dt.minute * 60 + dt.second
        if self.size == 8:
            ticks = round((secs + dt.microsecond / 1e6) * 300)
            if ticks >= 300 * 86400:
                days, ticks = days + 1, ticks - 300 * 86400
            return b"\x08" + struct.pack("<iI", days, ticks)
        minutes = round((secs + dt.microsecond / 1e6) / 60)
        if minutes >= 1440:
            days, minutes = days + 1, minutes - 1440
        if not 0 <= days <= 65535:
            raise ScriptError("%r out of range for smalldatetime" % (v,))
        return b"\x04" + struct.pack("<HH", days, minutes)

    @staticmethod
    def _date3(d):
        return struct.pack("<I", (d - DATE_0001).days)[:3]

    def _enc_datetime2(self, v):
        dt = _to_datetime(v)
        units = (dt.hour * 3600 + dt.minute * 60 + dt.second) * 10**self.scale \
            + (dt.microsecond * 10**self.scale) // 10**6
        tlen = 3 if self.scale <= 2 else 4 if self.scale <= 4 else 5
        return bytes([tlen + 3]) + units.to_bytes(tlen, "little") + self._date3(dt.date())

    def _enc_decimal(self, v):
        d = _to_decimal(v)
        # 38 digits do not fit the default context's 28
        q = d.scaleb(self.scale, context=WIDE).to_integral_value(rounding=decimal.ROUND_HALF_EVEN,
                                                                   context=WIDE)
        n = int(q)
        if abs(n) >= 10**self.precision:
            raise ScriptError("%r does not fit decimal(%d,%d)" % (v, self.precision, self.scale))
        return bytes([self.size, 1 if n >= 0 else 0]) + abs(n).to_bytes(self.size - 1, "little")

    def _text_bytes(self, v):
        s = _to_text(v)
        if self.wide:
            return s.encode("utf-16-le")
        return s.encode(CODEPAGE, errors="replace")

    def _enc_short_text(self, v):
        data = self._text_bytes(v)
        if self.fixed:
            pad = " ".encode("utf-16-le") if self.wide else b" "
            while len(data) < self.maxlen:
                data += pad
        if len(data) > self.maxlen:
            raise ScriptError("value of %d bytes longer than %s" % (len(data), self.decl))
        return struct.pack("<H", len(data)) + data

    def _enc_plp_text(self, v):
        return _plp(self._text_bytes(v))

    def _enc_text(self, v):
        data = self._text_bytes(v)
        return b"\x10" + b"\x00" * 16 + b"\x00" * 8 + struct.pack("<I", len(data)) + data

    def _enc_guid(self, v):
        try:
            return b"\x10" + uuid.UUID(str(v)).bytes_le
        except ValueError:
            raise ScriptError("not a uniqueidentifier: %r" % (v,))

    def _enc_binary(self, v):
        try:
            data = bytes.fromhex(str(v))
        except ValueError:
            raise ScriptError("binary values are hex strings: %r" % (v,))
        if self.maxlen is None:
            return _plp(data)
        if self.fixed:
            data = data.ljust(self.maxlen, b"\x00")
        if len(data) > self.maxlen:
            raise ScriptError("value longer than %s" % self.decl)
        return struct.pack("<H", len(data)) + data


def result_set_tokens(item):
    cols = item.get("columns")
    if not isinstance(cols, list) or not cols:
        raise ScriptError("a result set needs a non-empty list of columns")
    columns = [Column(c.get("name", ""), c.get("type", "")) for c in cols]
    out = [bytes([TOK_COLMETADATA]) + struct.pack("<H", len(columns))
           + b"".join(c.metadata() for c in columns)]
    rows = item.get("rows", []) or []
    for row in rows:
        if not isinstance(row, list) or len(row) != len(columns):
            raise ScriptError("row %r does not have %d values" % (row, len(columns)))
        out.append(bytes([TOK_ROW]) + b"".join(c.encode(v) for c, v in zip(columns, row)))
    return b"".join(out), len(rows)


# ----------------------------------------------------------------------------------------------
# Decoding requests


class Reader:
    def __init__(self, data, pos=0):
        self.data = data
        self.pos = pos

    def take(self, n):
        if n < 0 or self.pos + n > len(self.data):
            raise ValueError("request ends early")
        b = self.data[self.pos:self.pos + n]
        self.pos += n
        return b

    def u8(self):
        return self.take(1)[0]

    def u16(self):
        return struct.unpack("<H", self.take(2))[0]

    def u32(self):
        return struct.unpack("<I", self.take(4))[0]

    def u64(self):
        return struct.unpack("<Q", self.take(8))[0]

    def b_varchar(self):
        return self.take(self.u8() * 2).decode("utf-16-le", errors="replace")

    def us_varchar(self):
        return self.take(self.u16() * 2).decode("utf-16-le", errors="replace")

    def at_end(self):
        return self.pos >= len(self.data)


def skip_all_headers(data):
    """Returns (offset after ALL_HEADERS, transaction descriptor or None)."""
    if len(data) < 4:
        return 0, None
    total = struct.unpack_from("<I", data, 0)[0]
    if total < 4 or total > len(data):
        return 0, None
    txn = None
    pos = 4
    while pos + 6 <= total:
        hlen, htype = struct.unpack_from("<IH", data, pos)
        if hlen < 6:
            break
        if htype == 2 and hlen >= 14:
            txn = data[pos + 6:pos + 14]
        pos += hlen
    return total, txn


class TypeInfo:
    def __init__(self, code):
        self.code = code
        self.size = None
        self.precision = None
        self.scale = None
        self.collation = None
        self.plp = False

    def name(self):
        c = self.code
        if c == T_INTN or c in (T_INT1, T_INT2, T_INT4, T_INT8):
            size = self.size if c == T_INTN else FIXED_SIZES[c]
            return {1: "tinyint", 2: "smallint", 4: "int", 8: "bigint"}.get(size, "int")
        if c in (T_BIT, T_BITN):
            return "bit"
        if c in (T_FLTN, T_FLT4, T_FLT8):
            size = self.size if c == T_FLTN else FIXED_SIZES[c]
            return "real" if size == 4 else "float"
        if c in (T_MONEYN, T_MONEY, T_MONEY4):
            size = self.size if c == T_MONEYN else FIXED_SIZES[c]
            return "smallmoney" if size == 4 else "money"
        if c in (T_DATETIMN, T_DATETIME, T_DATETIM4):
            size = self.size if c == T_DATETIMN else FIXED_SIZES[c]
            return "smalldatetime" if size == 4 else "datetime"
        if c in (T_DECIMALN, T_DECIMAL):
            return "decimal(%d,%d)" % (self.precision, self.scale)
        if c in (T_NUMERICN, T_NUMERIC):
            return "numeric(%d,%d)" % (self.precision, self.scale)
        if c == T_DATEN:
            return "date"
        if c == T_TIMEN:
            return "time(%d)" % self.scale
        if c == T_DATETIME2N:
            return "datetime2(%d)" % self.scale
        if c == T_DATETIMEOFFSETN:
            return "datetimeoffset(%d)" % self.scale
        if c == T_GUID:
            return "uniqueidentifier"
        named = {T_BIGVARCHR: "varchar", T_VARCHAR: "varchar", T_BIGCHAR: "char", T_CHAR: "char",
                 T_NVARCHAR: "nvarchar", T_NCHAR: "nchar", T_BIGVARBIN: "varbinary",
                 T_VARBINARY: "varbinary", T_BIGBINARY: "binary", T_BINARY: "binary"}
        if c in named:
            if self.plp:
                return named[c] + "(max)"
            n = self.size // 2 if c in (T_NVARCHAR, T_NCHAR) else self.size
            return "%s(%d)" % (named[c], n)
        return {T_TEXT: "text", T_NTEXT: "ntext", T_IMAGE: "image", T_XML: "xml", T_NULL: "null",
                T_SSVARIANT: "sql_variant"}.get(c, "0x%02x" % c)


def read_typeinfo(r):
    ti = TypeInfo(r.u8())
    c = ti.code
    if c in FIXED_SIZES:
        ti.size = FIXED_SIZES[c]
    elif c in (T_INTN, T_BITN, T_FLTN, T_MONEYN, T_DATETIMN, T_GUID, T_CHAR, T_VARCHAR, T_BINARY,
               T_VARBINARY):
        ti.size = r.u8()
    elif c in (T_DECIMALN, T_NUMERICN, T_DECIMAL, T_NUMERIC):
        ti.size = r.u8()
        ti.precision = r.u8()
        ti.scale = r.u8()
    elif c == T_DATEN:
        pass
    elif c in (T_TIMEN, T_DATETIME2N, T_DATETIMEOFFSETN):
        ti.scale = r.u8()
    elif c in (T_BIGVARCHR, T_BIGCHAR, T_NVARCHAR, T_NCHAR):
        ti.size = r.u16()
        ti.collation = r.take(5)
        ti.plp = ti.size == 0xFFFF
    elif c in (T_BIGVARBIN, T_BIGBINARY):
        ti.size = r.u16()
        ti.plp = ti.size == 0xFFFF
    elif c in (T_TEXT, T_NTEXT, T_IMAGE):
        ti.size = r.u32()
        if c != T_IMAGE:
            ti.collation = r.take(5)
    elif c == T_XML:
        if r.u8():
            r.b_varchar()
            r.b_varchar()
            r.us_varchar()
        ti.plp = True
    elif c == T_SSVARIANT:
        ti.size = r.u32()
    else:
        raise ValueError("unsupported parameter type 0x%02x" % c)
    return ti


def _time_units(b, scale):
    units = int.from_bytes(b, "little")
    micro = units * 10**6 // 10**scale
    return datetime.timedelta(microseconds=micro)


def _iso(dt):
    if dt.microsecond:
        return dt.isoformat(timespec="microseconds" if dt.microsecond % 1000 else "milliseconds")
    return dt.isoformat(timespec="seconds")


def _read_plp(r):
    total = r.u64()
    if total == 0xFFFFFFFFFFFFFFFF:
        return None
    parts = []
    got = 0
    while True:
        n = r.u32()
        if n == 0:
            break
        parts.append(r.take(n))
        got += n
        if got > MAX_MESSAGE:
            raise ValueError("PLP value too long")
    return b"".join(parts)


def _decode_fixed(c, b):
    if c in (T_INT1,):
        return b[0]
    if c == T_INT2:
        return struct.unpack("<h", b)[0]
    if c == T_INT4:
        return struct.unpack("<i", b)[0]
    if c == T_INT8:
        return struct.unpack("<q", b)[0]
    if c == T_BIT:
        return bool(b[0])
    if c == T_FLT4:
        return struct.unpack("<f", b)[0]
    if c == T_FLT8:
        return struct.unpack("<d", b)[0]
    if c == T_MONEY4:
        return str(decimal.Decimal(struct.unpack("<i", b)[0]).scaleb(-4, context=WIDE))
    if c == T_MONEY:
        hi, lo = struct.unpack("<iI", b)
        return str(decimal.Decimal((hi << 32) | lo).scaleb(-4, context=WIDE))
    if c == T_DATETIME:
        days, ticks = struct.unpack("<iI", b)
        ms = round(ticks * 10 / 3)
        return _iso(EPOCH_1900 + datetime.timedelta(days=days, milliseconds=ms))
    if c == T_DATETIM4:
        days, minutes = struct.unpack("<HH", b)
        return _iso(EPOCH_1900 + datetime.timedelta(days=days, minutes=minutes))
    return b.hex()


def read_value(r, ti):
    c = ti.code
    if c in FIXED_SIZES:
        if c == T_NULL:
            return None
        return _decode_fixed(c, r.take(ti.size))
    if ti.plp:
        data = _read_plp(r)
        if data is None:
            return None
        if c == T_NVARCHAR or c == T_XML:
            return data.decode("utf-16-le", errors="replace")
        if c == T_BIGVARCHR:
            return data.decode(CODEPAGE, errors="replace")
        return data.hex()
    if c in (T_BIGVARCHR, T_BIGCHAR, T_NVARCHAR, T_NCHAR, T_BIGVARBIN, T_BIGBINARY):
        n = r.u16()
        if n == 0xFFFF:
            return None
        data = r.take(n)
    elif c in (T_TEXT, T_NTEXT, T_IMAGE, T_SSVARIANT):
        n = r.u32()
        if n == 0xFFFFFFFF:
            return None
        data = r.take(n)
    else:
        n = r.u8()
        if n == 0:
            return None
        data = r.take(n)
    if c in (T_NVARCHAR, T_NCHAR, T_NTEXT):
        return data.decode("utf-16-le", errors="replace")
    if c in (T_BIGVARCHR, T_BIGCHAR, T_TEXT, T_CHAR, T_VARCHAR):
        return data.decode(CODEPAGE, errors="replace")
    if c == T_INTN:
        return int.from_bytes(data, "little", signed=len(data) > 1)
    if c == T_BITN:
        return bool(data[0])
    if c == T_FLTN:
        return struct.unpack("<f" if n == 4 else "<d", data)[0]
    if c == T_MONEYN:
        return _decode_fixed(T_MONEY4 if n == 4 else T_MONEY, data)
    if c == T_DATETIMN:
        return _decode_fixed(T_DATETIM4 if n == 4 else T_DATETIME, data)
    if c in (T_DECIMALN, T_NUMERICN, T_DECIMAL, T_NUMERIC):
        mag = int.from_bytes(data[1:], "little")
        d = decimal.Decimal(mag if data[0] else -mag).scaleb(-ti.scale, context=WIDE)
        return str(d)
    if c == T_GUID:
        return str(uuid.UUID(bytes_le=bytes(data)))
    if c == T_DATEN:
        return (DATE_0001 + datetime.timedelta(days=int.from_bytes(data, "little"))).isoformat()
    if c in (T_TIMEN, T_DATETIME2N, T_DATETIMEOFFSETN):
        tlen = 3 if ti.scale <= 2 else 4 if ti.scale <= 4 else 5
        t = _time_units(data[:tlen], ti.scale)
        if c == T_TIMEN:
            return _iso(datetime.datetime(1900, 1, 1) + t)[11:]
        days = int.from_bytes(data[tlen:tlen + 3], "little")
        dt = datetime.datetime(1, 1, 1) + datetime.timedelta(days=days) + t
        if c == T_DATETIMEOFFSETN:
            offset = struct.unpack("<h", data[tlen + 3:tlen + 5])[0]
            # the wire holds UTC; show local time with its offset
            dt = dt + datetime.timedelta(minutes=offset)
            sign = "+" if offset >= 0 else "-"
            return _iso(dt) + "%s%02d:%02d" % (sign, abs(offset) // 60, abs(offset) % 60)
        return _iso(dt)
    return data.hex()


def parse_rpcs(data):
    """Returns a list of RPC calls: dicts with proc, proc_id, options, params."""
    start, _ = skip_all_headers(data)
    r = Reader(data, start)
    calls = []
    while not r.at_end():
        n = r.u16()
        if n == 0xFFFF:
            pid = r.u16()
            name = WELL_KNOWN_PROCS.get(pid, "proc#%d" % pid)
        else:
            pid = None
            name = r.take(n * 2).decode("utf-16-le", errors="replace")
        options = r.u16()
        params = []
        more = False
        while not r.at_end():
            flag = r.data[r.pos]
            if flag in (0x80, 0xFF, 0xFE):
                # the next RPC of the same request follows
                r.pos += 1
                more = True
                break
            pname = r.b_varchar()
            status = r.u8()
            ti = read_typeinfo(r)
            value = read_value(r, ti)
            p = {"name": pname, "type": ti.name(), "value": value}
            if status & 0x01:
                p["output"] = True
            params.append(p)
        calls.append({"proc": name, "proc_id": pid, "options": options, "params": params})
        if not more:
            break
    return calls


def unscramble_password(b):
    out = bytearray()
    for x in b:
        x ^= 0xA5
        out.append(((x << 4) & 0xF0) | (x >> 4))
    return bytes(out)


def parse_login7(data):
    if len(data) < 94:
        raise ValueError("LOGIN7 too short")
    (length, tdsver, pktsize, progver, pid, connid, of1, of2, tf, of3, tz, lcid) = \
        struct.unpack_from("<IIIIIIBBBBiI", data, 0)
    fields = ["hostname", "user", "password", "app", "server", "extension", "library", "language",
              "database"]
    pos = 36
    offs = {}
    for f in fields:
        offs[f] = struct.unpack_from("<HH", data, pos)
        pos += 4
    out = {"tds_version_raw": tdsver, "packet_size": pktsize, "client_pid": pid,
           "option_flags": [of1, of2, tf, of3]}
    for f in fields:
        ib, cch = offs[f]
        if f == "extension":
            continue
        raw = data[ib:ib + cch * 2]
        if f == "password":
            raw = unscramble_password(raw)
        out[f] = raw.decode("utf-16-le", errors="replace")
    features = []
    if of3 & 0x10:
        ib, cb = offs["extension"]
        if ib + 4 <= len(data):
            fpos = struct.unpack_from("<I", data, ib)[0]
            for _ in range(64):
                if fpos >= len(data) or data[fpos] == 0xFF:
                    break
                fid = data[fpos]
                flen = struct.unpack_from("<I", data, fpos + 1)[0]
                features.append(fid)
                fpos += 5 + flen
    out["features"] = features
    out["feature_ext"] = bool(of3 & 0x10)
    return out


def parse_prelogin(data):
    opts = {}
    pos = 0
    for _ in range(32):
        if pos >= len(data) or data[pos] == 0xFF:
            break
        tok, off, ln = struct.unpack_from(">BHH", data, pos)
        opts[tok] = data[off:off + ln]
        pos += 5
    return opts


def build_prelogin_reply(client_opts):
    opts = [(0x00, bytes([16, 0, 0x10, 0x36, 0, 0])),   # version 16.0.4150
            (0x01, bytes([0x02])),                     # encryption not supported
            (0x02, bytes([0x00])),                     # instance ok
            (0x03, b""),                               # thread id
            (0x04, bytes([0x00]))]                     # no MARS
    head = bytearray()
    body = bytearray()
    off = len(opts) * 5 + 1
    for tok, val in opts:
        head += struct.pack(">BHH", tok, off + len(body), len(val))
        body += val
    head.append(0xFF)
    return bytes(head + body)


# ----------------------------------------------------------------------------------------------
# Built-in statements

RE_USE = re.compile(r"\s*USE\s+(?:\[([^\]]+)\]|([^\s;]+))\s*;?\s*\Z", re.I)
RE_SETS = re.compile(r"(?:\s*SET\s+[^;\n]*;?)+\s*\Z", re.I)
_NAME = r"[A-Za-z_@#][\w@#$]*"
RE_TRAN = re.compile(
    r"\s*(?:"
    r"(?P<begin>BEGIN\s+TRAN(?:SACTION)?)(?:[ \t]+(?P<bname>" + _NAME + r"))?"
    r"|SAVE\s+TRAN(?:SACTION)?[ \t]+(?P<save>" + _NAME + r")"
    r"|(?P<ifc>IF\s+@@TRANCOUNT\s*>\s*0\s+)?(?P<op>COMMIT|ROLLBACK)"
    r"(?:\s+(?:WORK|TRAN(?:SACTION)?(?:[ \t]+(?P<oname>" + _NAME + r"))?))?"
    r")[ \t]*(?:;|\r?\n|\Z)", re.I)


# ----------------------------------------------------------------------------------------------
# The server


class Log:
    def __init__(self, path, t0):
        self.f = open(path, "a", encoding="utf-8")
        self.lock = threading.Lock()
        self.seq = 0
        self.t0 = t0

    def write(self, conn, kind, **fields):
        with self.lock:
            self.seq += 1
            ev = {"seq": self.seq, "conn": conn, "kind": kind,
                  "t": round(time.monotonic() - self.t0, 6)}
            ev.update(fields)
            self.f.write(json.dumps(ev, ensure_ascii=False, default=str) + "\n")
            self.f.flush()


DEFAULT_SCRIPT = {"users": None, "latency_ms": 0, "login": {}, "unmatched": "error", "rules": []}


class Script:
    """The JSON script, re-read whenever the file changes; also counts each rule's uses."""

    def __init__(self, path, log):
        self.path = path
        self.log = log
        self.lock = threading.Lock()
        self.sig = None
        self.bad_sig = None
        self.data = dict(DEFAULT_SCRIPT)
        self.used = {}
        self.regex = {}

    def current(self):
        with self.lock:
            self._refresh()
            return self.data

    def _refresh(self):
        try:
            st = os.stat(self.path)
        except OSError:
            return
        sig = (st.st_mtime_ns, st.st_size, st.st_ino)
        if sig == self.sig or sig == self.bad_sig:
            return
        try:
            with open(self.path, encoding="utf-8") as f:
                data = json.load(f)
            if not isinstance(data, dict):
                raise ValueError("the script is not a JSON object")
            if not isinstance(data.get("rules", []), list):
                raise ValueError("rules is not a list")
        except (OSError, ValueError) as e:
            # Possibly caught half-written: keep the last good script and look again next time.
            self.bad_sig = sig
            self.log.write(0, "script_error", error=str(e))
            return
        merged = dict(DEFAULT_SCRIPT)
        merged.update(data)
        self.data = merged
        self.sig = sig
        self.bad_sig = None
        self.used = {}
        self.regex = {}

    def take_rule(self, text, proc):
        """The first rule that fits, counting one use of it; None when none does."""
        with self.lock:
            self._refresh()
            for i, rule in enumerate(self.data.get("rules") or []):
                if not isinstance(rule, dict):
                    continue
                times = rule.get("times")
                if times is not None and self.used.get(i, 0) >= times:
                    continue
                if "proc" in rule and rule["proc"] != proc:
                    continue
                if "match" in rule:
                    if text is None:
                        continue
                    rx = self.regex.get(i)
                    if rx is None:
                        try:
                            rx = re.compile(rule["match"], re.DOTALL)
                        except re.error as e:
                            self.log.write(0, "script_error", error="rule %d: %s" % (i, e))
                            rx = False
                        self.regex[i] = rx
                    if rx is False or not rx.search(text):
                        continue
                self.used[i] = self.used.get(i, 0) + 1
                return i, rule
            return None, None


class ConnectionClosed(Exception):
    pass


class Connection:
    def __init__(self, server, sock, cid):
        self.server = server
        self.sock = sock
        self.cid = cid
        self.spid = 50 + cid % 30000
        self.inbox = queue.Queue()
        self.attn_lock = threading.Lock()
        self.attn_pending = 0
        self.attn_event = threading.Event()
        self.closed = threading.Event()
        self.packet_size = 4096
        self.packet_id = 1
        self.database = "master"
        self.trancount = 0
        self.txn_desc = b"\x00" * 8
        self.tran_name = ""
        self.savepoints = set()
        self.next_txn = 1
        self.handles = {}
        self.next_handle = 1
        self.close_reason = None

    # -- plumbing

    def log(self, kind, **fields):
        self.server.log.write(self.cid, kind, **fields)

    def script(self):
        return self.server.script.current()

    def latency(self):
        try:
            return max(0.0, float(self.script().get("latency_ms", 0) or 0) / 1000.0)
        except (TypeError, ValueError):
            return 0.0

    def close(self, reason):
        if self.closed.is_set():
            return
        if self.close_reason is None:
            self.close_reason = reason
        self.closed.set()
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        try:
            self.sock.close()
        except OSError:
            pass

    def sleep(self, seconds):
        """Sleeps unless the connection or the server ends first."""
        end = time.monotonic() + seconds
        while True:
            left = end - time.monotonic()
            if left <= 0 or self.closed.is_set() or self.server.stopping.is_set():
                return
            self.closed.wait(min(left, 0.2))

    def wait_attention(self, seconds, ignore):
        """Waits up to `seconds` (forever when None); True when an attention cut it short."""
        end = None if seconds is None else time.monotonic() + seconds
        while True:
            if self.closed.is_set() or self.server.stopping.is_set():
                raise ConnectionClosed()
            if not ignore and self.attn_event.is_set():
                return True
            left = 0.2 if end is None else min(0.2, end - time.monotonic())
            if left <= 0:
                return False
            if ignore:
                self.closed.wait(left)
            else:
                self.attn_event.wait(left)

    def attention_pending(self):
        return self.attn_event.is_set()

    def clear_attention(self):
        with self.attn_lock:
            self.attn_pending = 0
            self.attn_event.clear()

    # -- reading

    def recv_exact(self, n):
        buf = bytearray()
        while len(buf) < n:
            if self.server.stopping.is_set():
                raise ConnectionClosed()
            try:
                chunk = self.sock.recv(n - len(buf))
            except socket.timeout:
                continue
            except OSError:
                raise ConnectionClosed()
            if not chunk:
                raise ConnectionClosed()
            buf += chunk
        return bytes(buf)

    def reader(self):
        """Reads packets into whole messages; attentions are noted at once, even mid-answer."""
        msg_type = None
        parts = []
        size = 0
        try:
            while not self.closed.is_set():
                head = self.recv_exact(8)
                ptype, status, length = struct.unpack(">BBH", head[:4])
                if length < 8:
                    raise ConnectionClosed()
                body = self.recv_exact(length - 8)
                if ptype == PKT_ATTENTION:
                    self.log("attention")
                    with self.attn_lock:
                        self.attn_pending += 1
                        self.attn_event.set()
                    self.inbox.put(("attention", None))
                    continue
                if msg_type is None:
                    msg_type = ptype
                parts.append(body)
                size += len(body)
                if size > MAX_MESSAGE:
                    raise ConnectionClosed()
                if status & STATUS_EOM:
                    self.inbox.put((msg_type, b"".join(parts)))
                    msg_type, parts, size = None, [], 0
        except ConnectionClosed:
            pass
        finally:
            # Also wakes a handler that sits out a delay or a silence for this client.
            self.close("client closed")
            self.inbox.put((None, None))

    def next_message(self):
        while True:
            if self.server.stopping.is_set():
                raise ConnectionClosed()
            try:
                kind, data = self.inbox.get(timeout=0.2)
            except queue.Empty:
                continue
            if kind is None:
                raise ConnectionClosed()
            return kind, data

    # -- writing

    def send_packet(self, payload, eom):
        ptype = PKT_REPLY
        status = STATUS_EOM if eom else 0
        head = struct.pack(">BBHHBB", ptype, status, len(payload) + 8, self.spid, self.packet_id, 0)
        self.packet_id = (self.packet_id + 1) % 256
        try:
            self.sock.sendall(head + payload)
        except OSError:
            self.close("send failed")
            raise ConnectionClosed()

    def reply(self):
        return Reply(self)

    # -- the conversation

    def run(self):
        self.log("connect")
        threading.Thread(target=self.reader, daemon=True).start()
        try:
            login = self.script().get("login") or {}
            if login.get("drop"):
                self.close("login drop")
                return
            if login.get("silent"):
                # Reads and forgets; never answers.
                while True:
                    self.next_message()
            if not self.login():
                return
            while True:
                kind, data = self.next_message()
                if kind == "attention":
                    with self.attn_lock:
                        pending = self.attn_pending
                    if pending:
                        self.acknowledge_attention(self.reply())
                    continue
                self.sleep(self.latency())
                if self.closed.is_set():
                    break
                self.handle(kind, data)
        except ConnectionClosed:
            pass
        except Exception as e:  # a bug here must not take down the other connections
            self.log("server_error", error="%s: %s" % (type(e).__name__, e))
        finally:
            self.close(self.close_reason or "server")
            self.trancount = 0
            self.log("disconnect", reason=self.close_reason)
            self.server.forget(self)

    def login(self):
        kind, data = self.next_message()
        if kind == PKT_PRELOGIN:
            try:
                opts = parse_prelogin(data)
            except struct.error as e:
                self.log("protocol_error", error="bad PRELOGIN: %s" % e)
                self.close("protocol error")
                return False
            enc = opts.get(0x01, b"")
            self.log("prelogin", encryption=enc[0] if enc else None)
            self.sleep(self.latency())
            rep = self.reply()
            rep.add(build_prelogin_reply(opts))
            rep.finish()
            kind, data = self.next_message()
        if kind != PKT_LOGIN7:
            self.log("protocol_error", error="expected LOGIN7, got packet type 0x%02x" % kind)
            self.close("protocol error")
            return False
        try:
            info = parse_login7(data)
        except (ValueError, struct.error) as e:
            self.log("protocol_error", error="bad LOGIN7: %s" % e)
            self.close("protocol error")
            return False
        self.sleep(self.latency())
        script = self.script()
        users = script.get("users")
        user, password = info.get("user", ""), info.get("password", "")
        accepted = users is None or (isinstance(users, dict) and user in users
                                     and users[user] == password)
        raw = info["tds_version_raw"]
        self.log("login", user=user, password=password, app=info.get("app", ""),
                 database=info.get("database", ""), hostname=info.get("hostname", ""),
                 library=info.get("library", ""), language=info.get("language", ""),
                 server=info.get("server", ""),
                 tds_version=TDS_VERSIONS.get(raw, "0x%08x" % raw), tds_version_raw="0x%08x" % raw,
                 packet_size=info["packet_size"], features=info["features"], accepted=accepted)
        delay = (script.get("login") or {}).get("delay_ms", 0) or 0
        if delay:
            self.sleep(float(delay) / 1000.0)
        rep = self.reply()
        if not accepted:
            rep.add(error_token(18456, "Login failed for user '%s'." % user, severity=14, state=1,
                                line=1))
            rep.add(done_token(TOK_DONE, DONE_ERROR))
            rep.finish()
            self.close("login failed")
            return False
        size = script.get("packet_size") or info["packet_size"]
        negotiated = size if isinstance(size, int) and 512 <= size <= 32767 else 4096
        db = info.get("database") or script.get("default_database") or "master"
        self.database = db
        rep.add(env_string(ENV_DATABASE, db, "master"))
        rep.add(info_token(5701, "Changed database context to '%s'." % db, severity=0, state=2))
        rep.add(env_bytes(ENV_COLLATION, COLLATION, b""))
        rep.add(env_string(ENV_LANGUAGE, "us_english", ""))
        rep.add(info_token(5703, "Changed language setting to us_english.", severity=0, state=1))
        rep.add(env_string(ENV_PACKETSIZE, str(negotiated), "4096"))
        ver = raw if raw in (0x72090002, 0x730A0003, 0x730B0003, 0x74000004) else 0x74000004
        body = bytes([1]) + struct.pack(">I", ver) + b_varchar("Microsoft SQL Server") \
            + bytes([16, 0, 0x10, 0x36])
        rep.add(token_with_len(TOK_LOGINACK, body))
        if info["feature_ext"]:
            rep.add(bytes([TOK_FEATUREEXTACK, 0xFF]))
        rep.add(done_token(TOK_DONE, DONE_FINAL))
        rep.finish()
        self.packet_size = negotiated
        return True

    def acknowledge_attention(self, rep):
        self.clear_attention()
        rep.add(done_token(TOK_DONE, DONE_ATTN))
        rep.finish()

    def handle(self, kind, data):
        if kind == PKT_SQLBATCH:
            start, _ = skip_all_headers(data)
            text = data[start:].decode("utf-16-le", errors="replace")
            self.log("batch", text=text)
            self.statement(text, None)
        elif kind == PKT_RPC:
            try:
                calls = parse_rpcs(data)
            except (ValueError, struct.error) as e:
                self.log("protocol_error", error="bad RPC: %s" % e)
                rep = self.reply()
                rep.add(error_token(50000, "tdsserver: cannot read the RPC request: %s" % e))
                rep.add(done_token(TOK_DONE, DONE_ERROR))
                rep.finish()
                return
            rep = self.reply()
            for n, call in enumerate(calls):
                if self.closed.is_set():
                    return
                final = n == len(calls) - 1
                rep = self.rpc(call, rep, final)
                if rep is None:
                    return
        elif kind == PKT_TM:
            self.transaction_manager(data)
        else:
            self.log("protocol_error", error="unsupported packet type 0x%02x" % kind)
            rep = self.reply()
            rep.add(error_token(50000, "tdsserver: unsupported packet type 0x%02x" % kind))
            rep.add(done_token(TOK_DONE, DONE_ERROR))
            rep.finish()

    # -- transactions

    def env_begin(self):
        self.txn_desc = struct.pack("<Q", (self.cid << 32) | self.next_txn)
        self.next_txn += 1
        return env_bytes(ENV_BEGINTRAN, self.txn_desc, b"")

    def tran_statement(self, m):
        """Tokens for a T-SQL transaction statement, and an error item or None."""
        if m.group("begin"):
            self.trancount += 1
            if self.trancount == 1:
                self.tran_name = (m.group("bname") or "").lower()
                self.savepoints = set()
                return self.env_begin(), None
            return b"", None
        if m.group("save"):
            if self.trancount == 0:
                return b"", {"number": 628, "severity": 16, "state": 0, "message":
                             "Cannot issue SAVE TRANSACTION when there is no active transaction."}
            self.savepoints.add(m.group("save").lower())
            return b"", None
        op = m.group("op").upper()
        name = (m.group("oname") or "").lower()
        if op == "ROLLBACK" and name and self.trancount > 0 and name != self.tran_name:
            # Back to a savepoint: the transaction stays open.
            if name in self.savepoints:
                return b"", None
            return b"", {"number": 6401, "severity": 16, "state": 1, "message":
                         "Cannot roll back %s. No transaction or savepoint of that name was found."
                         % m.group("oname")}
        if self.trancount == 0:
            if m.group("ifc"):
                return b"", None
            if op == "COMMIT":
                return b"", {"number": 3902, "severity": 16, "state": 1, "message":
                             "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."}
            return b"", {"number": 3903, "severity": 16, "state": 1, "message":
                         "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION."}
        if op == "COMMIT":
            self.trancount -= 1
            if self.trancount == 0:
                return env_bytes(ENV_COMMITTRAN, b"", self.txn_desc), None
            return b"", None
        self.trancount = 0
        return env_bytes(ENV_ROLLBACKTRAN, b"", self.txn_desc), None

    def transaction_manager(self, data):
        start, _ = skip_all_headers(data)
        r = Reader(data, start)
        ev = {}
        try:
            req = r.u16()
            ev["op"] = TM_OPS.get(req, "request#%d" % req)
            if req == 5:
                ev["isolation"] = r.u8()
                ev["name"] = r.b_varchar() if not r.at_end() else ""
            elif req in (7, 8):
                ev["name"] = r.b_varchar() if not r.at_end() else ""
                flags = r.u8() if not r.at_end() else 0
                ev["begin_new"] = bool(flags & 1)
                if flags & 1 and not r.at_end():
                    ev["isolation"] = r.u8()
                    ev["new_name"] = r.b_varchar() if not r.at_end() else ""
            elif req == 9:
                ev["name"] = r.b_varchar() if not r.at_end() else ""
        except ValueError as e:
            ev["error"] = str(e)
        self.log("tm", **ev)
        rep = self.reply()
        op = ev.get("op")
        status = DONE_FINAL
        if op == "begin":
            self.trancount += 1
            if self.trancount == 1:
                rep.add(self.env_begin())
        elif op in ("commit", "rollback"):
            if self.trancount > 0:
                kind = ENV_COMMITTRAN if op == "commit" else ENV_ROLLBACKTRAN
                rep.add(env_bytes(kind, b"", self.txn_desc))
                self.trancount = 0
            if ev.get("begin_new"):
                self.trancount = 1
                rep.add(self.env_begin())
        elif op != "save":
            rep.add(error_token(50000, "tdsserver: unsupported transaction manager request %s" % op))
            status = DONE_ERROR
        rep.add(done_token(TOK_DONE, status))
        rep.finish()

    # -- statements

    def statement(self, text, rpc):
        """Answers a batch (rpc None) or the statement of an sp_executesql-like RPC."""
        prefix = b""
        for _ in range(100):
            m = RE_TRAN.match(text)
            if not m or not text[m.end():].strip():
                break
            # A transaction statement that leads a longer batch: the server does the
            # transaction part and the rest is answered as if it came alone.
            tokens, err = self.tran_statement(m)
            prefix += tokens
            if err:
                return self.run_items([{"error": err}], {}, rpc, prefix)
            text = text[m.end():].lstrip(" \t\r\n;")
        return self.answer(text, rpc, prefix)

    def answer(self, text, rpc, prefix):
        proc = rpc["proc"] if rpc else None
        _, rule = self.server.script.take_rule(text, proc)
        if rule is not None:
            return self.run_items(rule.get("respond") or [], rule, rpc, prefix)
        return self.builtin(text, rpc, prefix)

    def builtin(self, text, rpc, prefix):
        if text is not None:
            m = RE_TRAN.match(text)
            if m and not text[m.end():].strip():
                tokens, err = self.tran_statement(m)
                return self.run_items([{"error": err}] if err else [], {}, rpc, prefix + tokens)
            # SET and USE statements, alone or several in one batch (";" or new lines apart).
            parts = [p for p in re.split(r"[;\n]", text) if p.strip()]
            uses = [RE_USE.match(p) for p in parts]
            if parts and all(u or RE_SETS.match(p) for u, p in zip(uses, parts)):
                tokens = b""
                for m in uses:
                    if m:
                        db = m.group(1) or m.group(2)
                        tokens += env_string(ENV_DATABASE, db, self.database) \
                            + info_token(5701, "Changed database context to '%s'." % db, state=1)
                        self.database = db
                return self.run_items([], {}, rpc, prefix + tokens)
        if str(self.script().get("unmatched", "error")) == "empty":
            return self.run_items([], {}, rpc, prefix)
        shown = text if text is not None else (rpc["proc"] if rpc else "")
        return self.run_items([{"error": {"number": 50000, "severity": 16, "state": 1,
                                          "message": "tdsserver: no rule for: %s" % shown[:200]}}],
                              {}, rpc, prefix)

    def rpc(self, call, rep, final):
        name = call["proc"]
        key = name.lower().split(".")[-1].strip("[]")
        params = call["params"]
        ev = {"proc": name, "params": params}
        if call["proc_id"] is not None:
            ev["proc_id"] = call["proc_id"]

        def param(pos, pname):
            for p in params:
                if p["name"].lower() == pname:
                    return p["value"]
            return params[pos]["value"] if pos < len(params) else None

        ctx = {"proc": name, "final": final, "rep": rep, "handle": None}
        if key == "sp_executesql":
            text = param(0, "@stmt")
            ev["text"] = text
            ev["args"] = params[2:]
            self.log("rpc", **ev)
            return self.statement(text if isinstance(text, str) else "", ctx)
        if key in ("sp_prepexec", "sp_prepare"):
            text = param(2, "@stmt")
            handle = self.next_handle
            self.next_handle += 1
            self.handles[handle] = text if isinstance(text, str) else ""
            ev["text"] = text
            ev["handle"] = handle
            ev["args"] = params[3:] if key == "sp_prepexec" else []
            self.log("rpc", **ev)
            ctx["handle"] = handle
            if key == "sp_prepare":
                return self.run_items([], {}, ctx, b"")
            return self.statement(self.handles[handle], ctx)
        if key == "sp_execute":
            handle = param(0, "@handle")
            text = self.handles.get(handle) if isinstance(handle, int) else None
            ev["handle"] = handle
            ev["text"] = text
            ev["args"] = params[1:]
            self.log("rpc", **ev)
            if text is None:
                return self.run_items([{"error": {
                    "number": 8179, "severity": 16, "state": 4,
                    "message": "Could not find prepared statement with handle %s." % handle}}],
                    {}, ctx, b"")
            return self.statement(text, ctx)
        if key == "sp_unprepare":
            handle = param(0, "@handle")
            ev["handle"] = handle
            ev["args"] = []
            self.log("rpc", **ev)
            self.handles.pop(handle, None)
            return self.run_items([], {}, ctx, b"")
        ev["args"] = params
        self.log("rpc", **ev)
        _, rule = self.server.script.take_rule(name, name)
        if rule is not None:
            return self.run_items(rule.get("respond") or [], rule, ctx, b"")
        return self.builtin(None, ctx, b"")

    def run_items(self, items, rule, rpc, prefix):
        """Sends the answer described by `items`; returns the reply to continue, or None
        when the connection went away or the answer was abandoned."""
        ignore = bool(rule.get("ignore_attention", False))
        rep = rpc["rep"] if rpc else self.reply()
        final = rpc["final"] if rpc else True
        try:
            delay = float(rule.get("delay_ms", 0) or 0) / 1000.0
        except (TypeError, ValueError):
            delay = 0.0
        try:
            if self.attention_pending() and not ignore:
                self.acknowledge_attention(rep)
                return None
            if delay and self.wait_attention(delay, ignore):
                self.acknowledge_attention(rep)
                return None
            if rpc and rpc.get("handle") is not None:
                rep.add(returnvalue_int("@handle", 0, rpc["handle"]))
            rep.add(prefix)
            in_tok = TOK_DONEINPROC if rpc else TOK_DONE
            error_pending = False
            status_sent = False
            last_done = False
            for i, item in enumerate(items):
                if not isinstance(item, dict):
                    raise ScriptError("a respond item is not an object: %r" % (item,))
                if not ignore and self.attention_pending():
                    self.acknowledge_attention(rep)
                    return None
                more = DONE_MORE if (i < len(items) - 1 or rpc or not final) else 0
                err = DONE_ERROR if error_pending else 0
                if "columns" in item:
                    tokens, count = result_set_tokens(item)
                    rep.add(tokens)
                    rep.add(done_token(in_tok, more | DONE_COUNT | err, count, CMD_SELECT))
                    error_pending, last_done = False, True
                elif "rowcount" in item:
                    rep.add(done_token(in_tok, more | DONE_COUNT | err, _to_int(item["rowcount"])))
                    error_pending, last_done = False, True
                elif "error" in item:
                    rep.add(self.item_message(error_token, item["error"], 16))
                    error_pending, last_done = True, False
                elif "info" in item:
                    rep.add(self.item_message(info_token, item["info"], 0))
                    last_done = False
                elif "return_status" in item:
                    rep.add(returnstatus_token(_to_int(item["return_status"])))
                    status_sent, last_done = True, False
                elif "drop" in item:
                    if item["drop"]:
                        rep.flush_partial()
                        self.close("drop")
                        return None
                elif "silent" in item:
                    if item["silent"]:
                        rep.flush_partial()
                        if self.wait_attention(None, ignore):
                            self.acknowledge_attention(rep)
                        return None
                elif "delay_ms" in item:
                    rep.flush_partial()
                    if self.wait_attention(float(item["delay_ms"]) / 1000.0, ignore):
                        self.acknowledge_attention(rep)
                        return None
                else:
                    raise ScriptError("unknown respond item %r" % (item,))
            if rpc:
                if not status_sent:
                    rep.add(returnstatus_token(0))
                rep.add(done_token(TOK_DONEPROC, (0 if final else DONE_MORE)
                                   | (DONE_ERROR if error_pending else 0)))
            elif not last_done:
                rep.add(done_token(TOK_DONE, DONE_ERROR if error_pending else 0))
        except (ScriptError, struct.error, OverflowError, ValueError, TypeError) as e:
            self.log("script_error", error="%s: %s" % (type(e).__name__, e))
            rep.discard()
            rep.add(error_token(50000, "tdsserver: bad script: %s" % e))
            rep.add(done_token(TOK_DONEPROC if rpc else TOK_DONE,
                               DONE_ERROR | (0 if final else DONE_MORE)))
        if final:
            if ignore:
                # An ignored cancel stays unanswered, as on a server that never saw it.
                self.clear_attention()
            rep.finish()
        return rep

    @staticmethod
    def item_message(make, fields, default_severity):
        if isinstance(fields, str):
            fields = {"message": fields}
        if not isinstance(fields, dict):
            raise ScriptError("an error/info item needs an object: %r" % (fields,))
        return make(_to_int(fields.get("number", 50000)), _to_text(fields.get("message", "")),
                    severity=_to_int(fields.get("severity", default_severity)),
                    state=_to_int(fields.get("state", 1)), procedure=_to_text(fields.get("procedure", "")),
                    line=_to_int(fields.get("line", 1)))


def returnvalue_int(name, ordinal, value):
    return (bytes([TOK_RETURNVALUE]) + struct.pack("<H", ordinal) + b_varchar(name) + b"\x01"
            + struct.pack("<IH", 0, 0x0001) + bytes([T_INTN, 4]) + b"\x04" + struct.pack("<i", value))


class Reply:
    """One answer message: split into packets of the negotiated size, sent as it fills."""

    def __init__(self, conn):
        self.conn = conn
        self.buf = bytearray()
        self.started = False

    def _start(self):
        if not self.started:
            self.started = True
            self.conn.sleep(self.conn.latency())

    def add(self, data):
        self.buf += data

    def discard(self):
        self.buf = bytearray()

    def _send_full_packets(self):
        size = self.conn.packet_size - 8
        while len(self.buf) > size:
            self._start()
            self.conn.send_packet(bytes(self.buf[:size]), False)
            del self.buf[:size]

    def flush_partial(self):
        """Sends what is there without ending the message (before a drop or a silence)."""
        self._send_full_packets()
        if self.buf:
            self._start()
            self.conn.send_packet(bytes(self.buf), False)
            self.buf = bytearray()

    def finish(self):
        self._send_full_packets()
        self._start()
        self.conn.send_packet(bytes(self.buf), True)
        self.buf = bytearray()
        self.started = False


class Server:
    def __init__(self, args):
        self.t0 = time.monotonic()
        self.log = Log(args.log, self.t0)
        self.script = Script(args.script, self.log)
        self.stopping = threading.Event()
        self.conns = set()
        self.lock = threading.Lock()
        self.next_cid = 1
        self.max_seconds = args.max_seconds
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", args.port))
        self.listener.listen(64)
        self.listener.settimeout(0.2)
        self.port = self.listener.getsockname()[1]

    def forget(self, conn):
        with self.lock:
            self.conns.discard(conn)

    def watch_stdin(self):
        try:
            while sys.stdin.buffer.read1(4096):
                pass
        except (OSError, ValueError):
            pass
        self.stopping.set()

    def serve(self):
        self.script.current()
        threading.Thread(target=self.watch_stdin, daemon=True).start()
        deadline = self.t0 + self.max_seconds
        while not self.stopping.is_set() and time.monotonic() < deadline:
            try:
                sock, _ = self.listener.accept()
            except socket.timeout:
                continue
            except OSError:
                break
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            sock.settimeout(0.5)
            with self.lock:
                if len(self.conns) >= MAX_CONNECTIONS:
                    sock.close()
                    continue
                conn = Connection(self, sock, self.next_cid)
                self.next_cid += 1
                self.conns.add(conn)
            threading.Thread(target=conn.run, daemon=True).start()
        self.stopping.set()
        self.listener.close()
        with self.lock:
            conns = list(self.conns)
        for c in conns:
            c.close("server stopped")
        # Give the connection threads a moment to log their ends.
        end = time.monotonic() + 1.0
        while time.monotonic() < end:
            with self.lock:
                if not self.conns:
                    break
            time.sleep(0.05)


def main():
    ap = argparse.ArgumentParser(description="A scripted TDS 7.4 test server on 127.0.0.1.")
    ap.add_argument("--script", required=True)
    ap.add_argument("--log", required=True)
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--max-seconds", type=float, default=600.0)
    args = ap.parse_args()
    server = Server(args)
    sys.stdout.write("PORT %d\n" % server.port)
    sys.stdout.flush()
    server.serve()
    sys.stdout.flush()
    os._exit(0)


if __name__ == "__main__":
    main()
