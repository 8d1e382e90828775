# A loopback anonymous FTP server for the download tests: prints its port, then serves the
# folder given as the only argument, read-only.
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

logging.basicConfig(level=logging.ERROR)
authorizer = DummyAuthorizer()
authorizer.add_anonymous(sys.argv[1])


class Handler(FTPHandler):
    pass


Handler.authorizer = authorizer
server = FTPServer(("127.0.0.1", 0), Handler)
print(server.address[1], flush=True)


def end_with_the_test():
    # The test holds our stdin open: when it ends, even by a crash, so does this server.
    sys.stdin.read()
    os._exit(0)


threading.Thread(target=end_with_the_test, daemon=True).start()
server.serve_forever()
