#!/usr/bin/python3
"""Loopback HTTPS test server: serves one folder over HTTPS with a trusted
certificate, over HTTPS with an untrusted one, and over plain HTTP, all on
127.0.0.1. Each request is appended to the log ("GET /path"). Scripted
failures come from "_rules.json" in the served folder, read at every request:

  {"/latest.json": {"status": 404},
   "/a": {"redirect": "http://localhost:PORT/a"},
   "/b": {"stall": 15},                  # say nothing for 15 s, then close
   "/c": {"cut_after": 100},             # promise the whole file, send 100 bytes, close
   "/d": {"stall_after": 100, "stall": 15},
   "/e": {"no_length": true}}            # no Content-Length: the end of the body is the close
"""
import argparse
import http.server
import json
import os
import ssl
import threading
import time


def make_handler(root, log_path):
    log_lock = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def do_GET(self):
            path = self.path.split("?", 1)[0]
            with log_lock, open(log_path, "a") as log:
                log.write("GET %s\n" % path)
            try:
                with open(os.path.join(root, "_rules.json")) as f:
                    rule = json.load(f).get(path, {})
            except (OSError, ValueError):
                rule = {}
            if "status" in rule:
                self.send_response(rule["status"])
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            if "redirect" in rule:
                self.send_response(302)
                self.send_header("Location", rule["redirect"])
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            if "stall" in rule and "stall_after" not in rule:
                time.sleep(rule["stall"])
                self.close_connection = True
                return
            file = os.path.normpath(os.path.join(root, path.lstrip("/")))
            if not file.startswith(os.path.abspath(root) + os.sep) or not os.path.isfile(file):
                self.send_response(404)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            with open(file, "rb") as f:
                body = f.read()
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            if rule.get("no_length"):
                self.send_header("Connection", "close")
                self.end_headers()
                self.wfile.write(body)
                self.close_connection = True
                return
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            if "cut_after" in rule:
                self.wfile.write(body[: rule["cut_after"]])
                self.wfile.flush()
                self.close_connection = True
                return
            if "stall_after" in rule:
                self.wfile.write(body[: rule["stall_after"]])
                self.wfile.flush()
                time.sleep(rule["stall"])
                self.close_connection = True
                return
            self.wfile.write(body)

    return Handler


def serve(handler, context):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    if context:
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def tls(cert, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--untrusted-cert", required=True)
    parser.add_argument("--untrusted-key", required=True)
    parser.add_argument("--ports-file", required=True)
    parser.add_argument("--log", required=True)
    args = parser.parse_args()
    handler = make_handler(os.path.abspath(args.root), args.log)
    ports = {
        "https": serve(handler, tls(args.cert, args.key)),
        "untrusted": serve(handler, tls(args.untrusted_cert, args.untrusted_key)),
        "http": serve(handler, None),
    }
    with open(args.ports_file + ".part", "w") as f:
        json.dump(ports, f)
    os.rename(args.ports_file + ".part", args.ports_file)
    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
