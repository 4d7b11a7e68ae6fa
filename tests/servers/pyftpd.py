# A pyftpdlib server for tests:
#   python3 pyftpd.py PORT ROOT USER PASSWORD [CERTFILE KEYFILE]
# With a certificate, TLS is required on control and data connections.
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer

port, root, user, password = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
logging.basicConfig(level=logging.INFO)
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")
authorizer.add_anonymous(root)
handler = FTPHandler
if len(sys.argv) > 6:
    handler = TLS_FTPHandler
    handler.certfile = sys.argv[5]
    handler.keyfile = sys.argv[6]
    handler.tls_control_required = True
    handler.tls_data_required = True
handler.authorizer = authorizer
handler.permit_foreign_addresses = False
server = FTPServer(("127.0.0.1", port), handler)
server.serve_forever()
