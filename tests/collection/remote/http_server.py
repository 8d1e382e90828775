# A loopback HTTP/1.0 file server for the download tests. Prints its port, then serves the
# folder given as the only argument. Besides plain files:
#   /slow/NAME  sends the headers and the first 2,048 bytes of NAME, then nothing for 30 s
#   /raw/NAME   sends NAME without a Content-Type header
import http.server
import os
import sys
import threading
import time

folder = sys.argv[1]


class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=folder, **kwargs)

    def log_message(self, *args):
        pass

    def send_file(self, name, with_type, limit):
        path = os.path.join(folder, name)
        if not os.path.isfile(path):
            self.send_error(404)
            return
        with open(path, "rb") as f:
            data = f.read()
        self.send_response(200)
        if with_type:
            self.send_header("Content-Type", "audio/x-wav")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data[:limit])
        self.wfile.flush()
        if limit < len(data):
            time.sleep(30)

    def do_GET(self):
        if self.path.startswith("/slow/"):
            self.send_file(self.path[6:], True, 2048)
        elif self.path.startswith("/raw/"):
            self.send_file(self.path[5:], False, 1 << 40)
        else:
            super().do_GET()


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
print(server.server_address[1], flush=True)


def end_with_the_test():
    # The test holds our stdin open: when it ends, even by a crash, so does this server.
    sys.stdin.read()
    os._exit(0)


threading.Thread(target=end_with_the_test, daemon=True).start()
server.serve_forever()
