#!/usr/bin/env python3
"""Loopback peers for the HTTP transport tests.

HTTPS echo server (default): answers every request with its own bytes (request line, headers
exactly as received, blank line, body). The path chooses the answer:
  /status/NNN   status NNN with the echo as body
  /falha        status 500 with a SOAP 1.2 fault body
  /atraso/MS    waits MS milliseconds, then echoes
  /vazio        status 200 with an empty body
  /cliente      the subject of the client certificate as body
  /arquivo/NOME the file NOME of the --respostas folder as body (status 200, SOAP 1.2 type);
                the request (head and body as received) is written beside it as NOME.pedido
With --ca the server requires a client certificate issued by that CA; --http serves plain HTTP.

CONNECT proxy (--proxy): tunnels to the requested host and port, with Basic authentication when
--usuario is given (407 otherwise), and appends one line per tunnel to --log.

Listens on 127.0.0.1, on an ephemeral port printed as "PORTA n" on the first line of stdout.
"""
import argparse
import base64
import os
import socket
import ssl
import sys
import threading
import time

FALHA = (b'<?xml version="1.0" encoding="utf-8"?>'
         b'<soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope"><soap:Body>'
         b'<soap:Fault><soap:Code><soap:Value>soap:Receiver</soap:Value></soap:Code>'
         b'<soap:Reason><soap:Text xml:lang="pt">Falha de teste</soap:Text></soap:Reason>'
         b'</soap:Fault></soap:Body></soap:Envelope>')
MOTIVOS = {200: 'OK', 201: 'Created', 202: 'Accepted', 204: 'No Content', 400: 'Bad Request',
           404: 'Not Found', 500: 'Internal Server Error', 503: 'Service Unavailable'}


def ler_cabecalho(conexao, resto=b''):
    dados = resto
    while b'\r\n\r\n' not in dados:
        parte = conexao.recv(65536)
        if not parte:
            return None, b''
        dados += parte
    fim = dados.index(b'\r\n\r\n') + 4
    return dados[:fim], dados[fim:]


def campos(cabecalho):
    r = {}
    for linha in cabecalho.split(b'\r\n')[1:]:
        if b':' in linha:
            nome, valor = linha.split(b':', 1)
            r[nome.strip().lower()] = valor.strip()
    return r


def atender(conexao, respostas=None):
    resto = b''
    try:
        while True:
            cabecalho, resto = ler_cabecalho(conexao, resto)
            if cabecalho is None:
                return
            c = campos(cabecalho)
            tamanho = int(c.get(b'content-length', b'0'))
            while len(resto) < tamanho:
                parte = conexao.recv(65536)
                if not parte:
                    return
                resto += parte
            corpo, resto = resto[:tamanho], resto[tamanho:]
            caminho = cabecalho.split(b' ')[1].decode('latin-1')
            if '://' in caminho:
                caminho = '/' + caminho.split('://', 1)[1].split('/', 1)[-1]
            status, resposta = 200, cabecalho + corpo
            tipo = 'text/plain'
            if caminho.startswith('/status/'):
                status = int(caminho.split('/')[2])
            elif caminho.startswith('/falha'):
                status, resposta = 500, FALHA
            elif caminho.startswith('/atraso/'):
                time.sleep(int(caminho.split('/')[2]) / 1000.0)
            elif caminho.startswith('/vazio'):
                resposta = b''
            elif caminho.startswith('/arquivo/') and respostas:
                nome = os.path.basename(caminho.split('/')[2].split('?')[0])
                with open(os.path.join(respostas, nome + '.pedido'), 'wb') as f:
                    f.write(cabecalho + corpo)
                try:
                    with open(os.path.join(respostas, nome), 'rb') as f:
                        resposta = f.read()
                    tipo = 'application/soap+xml; charset=utf-8'
                except OSError:
                    status, resposta = 404, b''
            elif caminho.startswith('/cliente'):
                cert = conexao.getpeercert() if hasattr(conexao, 'getpeercert') else None
                assunto = dict(x[0] for x in cert['subject']) if cert else {}
                resposta = assunto.get('commonName', '-').encode('utf-8')
            fechar = c.get(b'connection', b'').lower() == b'close' or cabecalho.split(b'\r\n')[0].endswith(b'1.0')
            if status == 204:
                resposta = b''
            saida = ('HTTP/1.1 %d %s\r\nContent-Type: %s\r\nContent-Length: %d\r\n%s\r\n' %
                     (status, MOTIVOS.get(status, 'Status'), tipo, len(resposta),
                      'Connection: close\r\n' if fechar else '')).encode('latin-1')
            conexao.sendall(saida + resposta)
            if fechar:
                return
    except (OSError, ssl.SSLError, ValueError):
        pass
    finally:
        try:
            conexao.close()
        except OSError:
            pass


def servir_https(args):
    contexto = None
    if not args.http:
        contexto = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        contexto.load_cert_chain(args.cert, args.key)
        if args.ca:
            contexto.load_verify_locations(args.ca)
            contexto.verify_mode = ssl.CERT_REQUIRED
    escuta = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    escuta.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    escuta.bind(('127.0.0.1', 0))
    escuta.listen(64)
    print('PORTA %d' % escuta.getsockname()[1], flush=True)

    def conexao_tls(bruta):
        try:
            bruta.settimeout(30)
            conexao = contexto.wrap_socket(bruta, server_side=True) if contexto else bruta
        except (OSError, ssl.SSLError):
            bruta.close()
            return
        atender(conexao, args.respostas)

    while True:
        bruta, _ = escuta.accept()
        threading.Thread(target=conexao_tls, args=(bruta,), daemon=True).start()


def bombear(de, para):
    try:
        while True:
            dados = de.recv(65536)
            if not dados:
                break
            para.sendall(dados)
    except OSError:
        pass
    finally:
        for s in (de, para):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def servir_proxy(args):
    esperado = None
    if args.usuario is not None:
        esperado = b'Basic ' + base64.b64encode(('%s:%s' % (args.usuario, args.senha or '')).encode('utf-8'))
    escuta = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    escuta.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    escuta.bind(('127.0.0.1', 0))
    escuta.listen(64)
    print('PORTA %d' % escuta.getsockname()[1], flush=True)
    trava = threading.Lock()

    def registrar(linha):
        if args.log:
            with trava, open(args.log, 'a') as f:
                f.write(linha + '\n')

    def tunel(cliente):
        try:
            cabecalho, resto = ler_cabecalho(cliente)
            if cabecalho is None:
                cliente.close()
                return
            partes = cabecalho.split(b'\r\n')[0].split(b' ')
            if partes[0] != b'CONNECT':
                cliente.sendall(b'HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n')
                cliente.close()
                return
            destino = partes[1].decode('latin-1')
            auth = campos(cabecalho).get(b'proxy-authorization')
            if esperado is not None and auth != esperado:
                registrar('NEGADO %s' % destino)
                cliente.sendall(b'HTTP/1.1 407 Proxy Authentication Required\r\n'
                                b'Proxy-Authenticate: Basic realm="tuim"\r\nContent-Length: 0\r\n\r\n')
                cliente.close()
                return
            host, porta = destino.rsplit(':', 1)
            try:
                servidor = socket.create_connection((host, int(porta)), timeout=10)
                servidor.settimeout(None)
            except OSError:
                cliente.sendall(b'HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n')
                cliente.close()
                return
            registrar('CONNECT %s' % destino)
            cliente.sendall(b'HTTP/1.1 200 Connection established\r\n\r\n')
            if resto:
                servidor.sendall(resto)
            threading.Thread(target=bombear, args=(servidor, cliente), daemon=True).start()
            bombear(cliente, servidor)
        except OSError:
            pass

    while True:
        cliente, _ = escuta.accept()
        threading.Thread(target=tunel, args=(cliente,), daemon=True).start()


def main():
    p = argparse.ArgumentParser()
    p.add_argument('--cert')
    p.add_argument('--key')
    p.add_argument('--ca')
    p.add_argument('--http', action='store_true')
    p.add_argument('--proxy', action='store_true')
    p.add_argument('--usuario')
    p.add_argument('--senha')
    p.add_argument('--log')
    p.add_argument('--respostas')
    args = p.parse_args()
    try:
        if args.proxy:
            servir_proxy(args)
        else:
            servir_https(args)
    except KeyboardInterrupt:
        pass


if __name__ == '__main__':
    sys.exit(main())
