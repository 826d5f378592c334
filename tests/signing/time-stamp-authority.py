# A time-stamp authority of the tests' own (RFC 3161 over HTTP, on a free
# port of 127.0.0.1, printed first): each request is answered by
# `openssl ts -reply` with the configuration given.
# Usage: time-stamp-authority.py OPENSSL_TS_CONFIG
import http.server, subprocess, sys, tempfile, os
config = sys.argv[1]
class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with tempfile.TemporaryDirectory() as d:
            q, r = os.path.join(d, "q"), os.path.join(d, "r")
            open(q, "wb").write(body)
            subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile", q, "-out", r], check=True, capture_output=True)
            reply = open(r, "rb").read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args): pass
server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
