#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""A real FTP server on 127.0.0.1 for the updater's tests and benchmark.

Prints "PORT <n>" once it listens, then serves until killed. Modes:
  normal  serve the root folder (optionally throttled with --rate bytes/s)
  drop    the server goes away after --drop-after bytes of a download
  short   SIZE reports twice the real size (the download then comes up short)
  silent  accept connections and never answer
With --size-reply, SIZE of an existing file answers that whole line instead.
With --log, every command received is appended to that file, one a line.
With --tls-cert and --tls-key, the server requires explicit TLS (AUTH TLS) on the
control and the data connections (normal mode only).
"""
import argparse
import os
import socket
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def serve_silent():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print("PORT %d" % listener.getsockname()[1], flush=True)
    held = []
    while True:
        conn, _ = listener.accept()
        held.append(conn)  # kept open, never written to


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", required=True)
    ap.add_argument("--user", required=True)
    ap.add_argument("--password", required=True)
    ap.add_argument("--mode", default="normal", choices=["normal", "drop", "short", "silent"])
    ap.add_argument("--rate", type=int, default=0)
    ap.add_argument("--drop-after", type=int, default=256 * 1024)
    ap.add_argument("--log", default="")
    ap.add_argument("--size-reply", default="")
    ap.add_argument("--tls-cert", default="")
    ap.add_argument("--tls-key", default="")
    args = ap.parse_args()

    if args.mode == "silent":
        serve_silent()
        return

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elr")

    handler_base = FTPHandler
    dtp_base = ThrottledDTPHandler if (args.rate or args.mode == "drop") else DTPHandler
    if args.tls_cert:
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

        handler_base, dtp_base = TLS_FTPHandler, TLS_DTPHandler

    class Dtp(dtp_base):
        def readable(self):
            # pyftpdlib 1.5.7 closes a data connection that is readable before its first
            # command, which is when a TLS client sends its handshake.
            if getattr(self, "_ssl_accepting", False):
                return True
            return super().readable()

        def send(self, data):
            sent = super().send(data)
            if args.mode == "drop" and self.tot_bytes_sent >= args.drop_after:
                # The whole server vanishes mid-transfer, as a crash or a cut line would look.
                os._exit(3)
            return sent

    if dtp_base is ThrottledDTPHandler:
        Dtp.write_limit = args.rate or 1024 * 1024

    class Handler(handler_base):
        auth_failed_timeout = 0.1

        def pre_process_command(self, line, cmd, arg):
            if args.log:
                with open(args.log, "a") as f:
                    f.write(line + "\n")
            return super().pre_process_command(line, cmd, arg)

        def ftp_SIZE(self, path):
            if args.size_reply and os.path.isfile(path):
                self.respond(args.size_reply)
                return
            if args.mode == "short" and self._current_type != "a" and os.path.isfile(path):
                self.respond("213 %d" % (2 * os.path.getsize(path)))
                return
            return super().ftp_SIZE(path)

    if args.tls_cert:
        Handler.certfile = args.tls_cert
        Handler.keyfile = args.tls_key
        Handler.tls_control_required = True
        Handler.tls_data_required = True
    Handler.authorizer = authorizer
    Handler.dtp_handler = Dtp
    Handler.banner = "test server ready"

    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    import logging

    logging.basicConfig(level=logging.CRITICAL)
    main()
