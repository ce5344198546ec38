#!/usr/bin/python3
"""Loopback SMTP server for the mail tests (aiosmtpd).

Listens on 127.0.0.1 on a free port, writes the port to --porta-arquivo once it accepts
connections, and saves every accepted message as NNN.eml beside NNN.json (envelope). Every
connection, AUTH command, authentication and recipient is appended to eventos.log so that tests
can count attempts. In "plain" mode the server never offers STARTTLS, and with --usuario it
offers AUTH without TLS. Runs until killed.
"""
import argparse
import asyncio
import json
import os
import ssl

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword, syntax


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--pasta", required=True)
    p.add_argument("--porta-arquivo", required=True)
    p.add_argument("--modo", choices=["plain", "starttls", "ssl"], default="plain")
    p.add_argument("--cert")
    p.add_argument("--key")
    p.add_argument("--usuario")
    p.add_argument("--senha")
    p.add_argument("--rejeitar", action="append", default=[], help="recipient answered with 550")
    p.add_argument("--falhar-dados", action="store_true", help="answer DATA with 554")
    p.add_argument("--dsn", action="store_true", help="announce the DSN extension")
    p.add_argument("--mudo", action="store_true", help="accept connections and never answer")
    a = p.parse_args()
    os.makedirs(a.pasta, exist_ok=True)
    eventos = open(os.path.join(a.pasta, "eventos.log"), "a", buffering=1)
    contador = [0]

    def evento(*partes):
        eventos.write(" ".join(str(x) for x in partes) + "\n")

    class Handler:
        async def handle_EHLO(self, server, session, envelope, hostname, responses):
            session.host_name = hostname
            if a.dsn:
                responses.insert(-1, "250-DSN")
            return responses

        async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
            if address in a.rejeitar:
                evento("RCPT-REJEITADO", address)
                return "550 5.1.1 <%s>: Recipient address rejected" % address
            evento("RCPT", address, *rcpt_options)
            envelope.rcpt_tos.append(address)
            envelope.rcpt_options.extend(rcpt_options)
            return "250 OK"

        async def handle_DATA(self, server, session, envelope):
            if a.falhar_dados:
                evento("DATA-RECUSADO")
                return "554 5.6.0 Message content rejected"
            contador[0] += 1
            base = os.path.join(a.pasta, "%03d" % contador[0])
            with open(base + ".eml.tmp", "wb") as f:
                f.write(envelope.original_content)
            with open(base + ".json.tmp", "w") as f:
                json.dump({"mail_from": envelope.mail_from, "mail_options": envelope.mail_options,
                           "rcpt_tos": envelope.rcpt_tos, "rcpt_options": envelope.rcpt_options,
                           "tls": server.transport.get_extra_info("ssl_object") is not None,
                           "usuario": session.auth_data.decode() if isinstance(session.auth_data, bytes)
                           else ""}, f)
            # Renamed last, so a reader never sees half a message.
            os.rename(base + ".json.tmp", base + ".json")
            os.rename(base + ".eml.tmp", base + ".eml")
            evento("DATA", contador[0])
            return "250 OK: queued as %d" % contador[0]

    def autenticar(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and a.usuario is not None
              and auth_data.login.decode() == a.usuario and auth_data.password.decode() == a.senha)
        evento("AUTH", mechanism, "ok" if ok else "falhou")
        if ok:
            return AuthResult(success=True, auth_data=auth_data.login)
        return AuthResult(success=False, handled=False)

    class Servidor(SMTP):
        def connection_made(self, transport):
            evento("CONEXAO")
            super().connection_made(transport)

        @syntax("AUTH <mechanism>")
        async def smtp_AUTH(self, arg):
            # Every AUTH line that reaches the server, answered or not; only the mechanism is kept.
            evento("COMANDO-AUTH", (arg or "").split(" ")[0],
                   "tls" if self.transport.get_extra_info("ssl_object") is not None else "sem-tls")
            return await super().smtp_AUTH(arg)

        async def smtp_RCPT(self, arg):
            # Delivery-notification parameters are accepted and recorded, not acted on.
            if arg:
                partes = arg.split()
                extras = [x for x in partes[1:] if x.upper().startswith(("NOTIFY=", "ORCPT="))]
                if extras:
                    self.envelope.rcpt_options.extend(extras)
                    arg = " ".join([partes[0]] + [x for x in partes[1:] if x not in extras])
            return await super().smtp_RCPT(arg)

    contexto = None
    if a.modo != "plain":
        contexto = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        contexto.load_cert_chain(a.cert, a.key)

    def fabrica():
        return Servidor(Handler(), hostname="tuim-teste.local",
                        tls_context=contexto if a.modo == "starttls" else None,
                        require_starttls=a.modo == "starttls",
                        auth_required=a.usuario is not None,
                        auth_require_tls=a.modo == "starttls",
                        authenticator=autenticar if a.usuario is not None else None,
                        data_size_limit=64 * 1024 * 1024)

    class Mudo(asyncio.Protocol):
        def connection_made(self, transport):
            evento("CONEXAO")
            self.transport = transport

    async def servir():
        loop = asyncio.get_running_loop()
        srv = await loop.create_server(Mudo if a.mudo else fabrica, "127.0.0.1", 0,
                                       ssl=contexto if a.modo == "ssl" else None)
        porta = srv.sockets[0].getsockname()[1]
        tmp = a.porta_arquivo + ".tmp"
        with open(tmp, "w") as f:
            f.write(str(porta))
        os.rename(tmp, a.porta_arquivo)
        await srv.serve_forever()

    asyncio.run(servir())


if __name__ == "__main__":
    main()
