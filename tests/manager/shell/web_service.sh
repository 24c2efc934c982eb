#!/usr/bin/env bash
# A local token web service for the probe test: HTTPS for "localhost" with a test CA, and the
# CA's revocation list over HTTP (WinINet checks revocation and fails without it).
#   web_service.sh start <folder>   makes the PKI, starts both servers, writes <folder>/ports
#   web_service.sh stop <folder>    stops the servers it started
set -euo pipefail
action=$1
dir=$2

if [ "$action" = stop ]; then
  if [ -f "$dir/server.pid" ]; then
    kill "$(cat "$dir/server.pid")" 2>/dev/null || true
    rm -f "$dir/server.pid"
  fi
  exit 0
fi

rm -rf "$dir"
mkdir -p "$dir/ca"
cd "$dir"
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
https_port=$(free_port)
crl_port=$(free_port)

touch ca/index.txt
echo 1000 > ca/crlnumber
cat > ca.cnf <<CNF
[ca]
default_ca = test_ca
[test_ca]
database = $dir/ca/index.txt
crlnumber = $dir/ca/crlnumber
default_md = sha256
default_crl_days = 30
[server]
basicConstraints = CA:FALSE
keyUsage = digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost
crlDistributionPoints = URI:http://localhost:$crl_port/ca.crl
[root]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
CNF
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 -subj "/CN=VLX Web Service Test CA" \
  -config ca.cnf -extensions root 2>/dev/null
openssl x509 -in ca.pem -outform DER -out ca.cer
openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj "/CN=localhost" 2>/dev/null
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem -days 30 \
  -extfile ca.cnf -extensions server 2>/dev/null
openssl ca -gencrl -config ca.cnf -keyfile ca.key -cert ca.pem -out ca.crl.pem 2>/dev/null
openssl crl -in ca.crl.pem -outform DER -out ca.crl

cat > serve.py <<'PY'
import http.server, ssl, sys, threading
https_port, crl_port, folder = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]

class Service(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def do_GET(self):
        if self.path == "/TokenRemoteWS/TokenRemoteWebservice?wsdl":
            body, status = b"<definitions/>", 200
        else:
            body, status = b"not here", 404
        self.send_response(status)
        self.send_header("Content-Type", "text/xml")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass

class Crl(Service):
    def do_GET(self):
        body = open(folder + "/ca.crl", "rb").read()
        self.send_response(200)
        self.send_header("Content-Type", "application/pkix-crl")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

crl = http.server.ThreadingHTTPServer(("127.0.0.1", crl_port), Crl)
threading.Thread(target=crl.serve_forever, daemon=True).start()
service = http.server.ThreadingHTTPServer(("127.0.0.1", https_port), Service)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(folder + "/server.pem", folder + "/server.key")
service.socket = context.wrap_socket(service.socket, server_side=True)
service.serve_forever()
PY
python3 serve.py "$https_port" "$crl_port" "$dir" >/dev/null 2>&1 &
echo $! > server.pid
# Ready when the HTTPS port accepts connections.
for _ in $(seq 1 100); do
  if python3 -c "import socket,sys; socket.create_connection(('127.0.0.1',$https_port),0.2)" 2>/dev/null; then
    echo "$https_port" > ports
    exit 0
  fi
  sleep 0.1
done
echo "web service did not start" >&2
exit 1
