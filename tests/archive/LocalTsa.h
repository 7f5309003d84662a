// A local time-stamp authority for the tests of trusted time-stamps.
#pragma once

#include "ArchiveFixture.h"

#include <QProcess>
#include <QTemporaryDir>

namespace archivetest {

// A time-stamp authority on 127.0.0.1: a CA, a signing certificate for time-stamping, and
// `openssl ts -reply` behind a small HTTP handler.
class LocalTsa {
public:
    LocalTsa() {
        const QString d = m_dir.path();
        writeFile(d + "/tsa.cnf",
                  "[ req ]\ndistinguished_name = dn\nprompt = no\n[ dn ]\nCN = Test TSA\n"
                  "[ tsa_ext ]\nbasicConstraints = critical,CA:false\nkeyUsage = critical,digitalSignature\n"
                  "extendedKeyUsage = critical,timeStamping\n[ tsa ]\ndefault_tsa = tsa_config\n"
                  "[ tsa_config ]\ndir = .\nserial = ./serial\nsigner_cert = ./tsa.crt\ncerts = ./ca.crt\n"
                  "signer_key = ./tsa.key\nsigner_digest = sha256\ndefault_policy = 1.2.3.4.1\n"
                  "digests = sha256\naccuracy = secs:1\ness_cert_id_chain = no\ness_cert_id_alg = sha256\n");
        writeFile(d + "/serial", "01\n");
        m_ready = run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.crt", "-days",
                       "30", "-subj", "/CN=Test TSA CA", "-addext", "basicConstraints=critical,CA:true", "-addext",
                       "keyUsage=critical,keyCertSign"}) &&
                  run({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "tsa.key", "-out", "tsa.csr", "-config",
                       "tsa.cnf"}) &&
                  run({"x509", "-req", "-in", "tsa.csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial", "-out",
                       "tsa.crt", "-days", "30", "-extfile", "tsa.cnf", "-extensions", "tsa_ext"});
        writeFile(d + "/tsa.py", "import http.server, subprocess, sys, tempfile\n"
                                 "class H(http.server.BaseHTTPRequestHandler):\n"
                                 "    def do_POST(self):\n"
                                 "        body = self.rfile.read(int(self.headers['Content-Length']))\n"
                                 "        with tempfile.NamedTemporaryFile(suffix='.tsq') as q:\n"
                                 "            q.write(body); q.flush()\n"
                                 "            out = subprocess.run(['openssl', 'ts', '-reply', '-config', 'tsa.cnf', "
                                 "'-queryfile', q.name],\n"
                                 "                                 capture_output=True).stdout\n"
                                 "        self.send_response(200)\n"
                                 "        self.send_header('Content-Type', 'application/timestamp-reply')\n"
                                 "        self.send_header('Content-Length', str(len(out)))\n"
                                 "        self.end_headers(); self.wfile.write(out)\n"
                                 "    def log_message(self, *args): pass\n"
                                 "s = http.server.HTTPServer(('127.0.0.1', 0), H)\n"
                                 "print(s.server_address[1], flush=True)\n"
                                 "s.serve_forever()\n");
        m_server.setWorkingDirectory(d);
        m_server.start("python3", {"tsa.py"});
        m_ready = m_ready && m_server.waitForReadyRead(10000);
        m_port = m_server.readLine().trimmed().toInt();
    }
    ~LocalTsa() {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
    bool ready() const { return m_ready && m_port > 0; }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/tsa").arg(m_port); }
    QString caFile() const { return m_dir.filePath("ca.crt"); }
    QString tsaCertificate() const { return m_dir.filePath("tsa.crt"); }

private:
    bool run(const QStringList& arguments) {
        QProcess openssl;
        openssl.setWorkingDirectory(m_dir.path());
        openssl.start("openssl", arguments);
        return openssl.waitForFinished(60000) && openssl.exitCode() == 0;
    }
    QTemporaryDir m_dir;
    QProcess m_server;
    bool m_ready = false;
    int m_port = 0;
};

} // namespace archivetest
