#!/usr/bin/python3
"""A fiscal integrator for the tests: watches the input folder and answers each command in
the way the test asks, including the ways a real one misbehaves.

Every command it takes is appended to comandos.log (one JSON object a line: file name,
session, method, parameters) in --pasta-log, so tests can count what reached it.

Modes:
  imediato      answers at once
  atraso        answers after --atraso seconds
  nunca         never takes the command (it stays in the input folder)
  toma          takes the command (removes it) and never answers
  meio          writes half an answer, waits --atraso seconds, then completes it
  duas          answers twice (two files for the same session)
  sessao-errada answers with another session number
  malformada    writes an answer that is not XML
  ee            answers with Codigo EE
  erro          answers an Erro group and no result
  aspas         the result begins with a backslash and a double quote
  encaminhar    posts the "dados" parameter (a SOAP envelope, Base64) to --url with the
                client certificate (--pfx-pem, --chave-pem, --ca) and answers the authority's
                reply as the seventh line, Base64; a --url ending in "/" gets the service
                named by the envelope's body namespace appended (".../wsdl/NFeStatusServico4")
--perder METODO (repeatable) carries out a command of that method as the mode says but never
answers it, as if the answer were lost, and then writes perdido-SESSION into --pasta-log.
--resposta-arquivo F makes the seventh line F's content in Base64 (an authority's answer).
--linhas N sets how many "|"-separated lines the result has (default 7). --uma ends after
the first command. The script ends by itself after --duracao seconds.
"""
import argparse
import base64
import json
import os
import ssl
import sys
import time
import urllib.error
import urllib.request
import xml.etree.ElementTree as ET


def lista_parametros(raiz):
    return [[p.findtext("Nome") or "", p.findtext("Valor") or ""] for p in raiz.iter("Parametro")]


def parametros(raiz):
    return dict(lista_parametros(raiz))


def servico_do_envelope(envelope):
    raiz = ET.fromstring(envelope)
    for corpo in raiz.iter("{http://www.w3.org/2003/05/soap-envelope}Body"):
        for dados in corpo:
            if dados.tag.startswith("{"):
                return dados.tag[1:dados.tag.index("}")].rsplit("/", 1)[-1]
    return ""


def resposta(sessao, resultado, codigo="AP", erro=None):
    partes = ["<Integrador><Identificador><Valor>%s</Valor></Identificador>" % sessao,
              "<IntegradorResposta><Codigo>%s</Codigo><Valor>%s</Valor></IntegradorResposta>" % (codigo, sessao)]
    if resultado is not None:
        partes.append("<Resposta><retorno>%s</retorno></Resposta>" % resultado)
    if erro is not None:
        partes.append("<Erro><Codigo>999</Codigo><Valor>%s</Valor></Erro>" % erro)
    partes.append("</Integrador>")
    return "".join(partes)


def gravar(pasta, nome, texto):
    # Written under a temporary name and renamed, as a well-behaved integrator does.
    tmp = os.path.join(pasta, nome + ".part")
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(texto)
    os.rename(tmp, os.path.join(pasta, nome))


def linhas(n, setima=None):
    itens = ["L%d" % (i + 1) for i in range(n)]
    if n >= 3:
        itens[2] = "mensagem do integrador"
    if setima is not None and n >= 7:
        itens[6] = setima
    return "|".join(itens)


def encaminhar(args, params):
    envelope = base64.b64decode(params.get("dados", ""))
    url = args.url
    if url.endswith("/"):
        url += servico_do_envelope(envelope)
    ctx = ssl.create_default_context(cafile=args.ca)
    ctx.load_cert_chain(args.pfx_pem, args.chave_pem)
    req = urllib.request.Request(url, data=envelope, method="POST",
                                 headers={"Content-Type": "application/soap+xml; charset=utf-8"})
    try:
        with urllib.request.urlopen(req, context=ctx, timeout=30) as r:
            corpo = r.read()
    except urllib.error.HTTPError as e:
        corpo = e.read()  # a SOAP fault is the authority's answer too
    return linhas(max(args.linhas, 7), base64.b64encode(corpo).decode())


def atender(args, caminho, n):
    with open(caminho, encoding="utf-8") as f:
        texto = f.read()
    raiz = ET.fromstring(texto)
    sessao = raiz.findtext("Identificador/Valor")
    metodo = raiz.find("Componente/Metodo")
    params = parametros(raiz)
    with open(os.path.join(args.pasta_log, "comandos.log"), "a", encoding="utf-8") as log:
        log.write(json.dumps({"arquivo": os.path.basename(caminho), "sessao": sessao,
                              "componente": raiz.find("Componente").get("Nome"),
                              "metodo": metodo.get("Nome") if metodo is not None else None,
                              "parametros": params, "lista": lista_parametros(raiz)}) + "\n")
    os.remove(caminho)
    nome = "resp-%s-%d.xml" % (sessao, n)
    modo = args.modo
    if metodo is not None and metodo.get("Nome") in args.perder:
        if modo == "encaminhar":
            encaminhar(args, params)
        with open(os.path.join(args.pasta_log, "perdido-%s" % sessao), "w") as f:
            f.write(metodo.get("Nome"))
        return
    if modo == "toma":
        return
    if modo == "atraso":
        time.sleep(args.atraso)
    if modo == "meio":
        texto = resposta(sessao, linhas(args.linhas))
        with open(os.path.join(args.saida, nome), "w", encoding="utf-8") as f:
            f.write(texto[: len(texto) // 2])
            f.flush()
            time.sleep(args.atraso)
            f.write(texto[len(texto) // 2:])
        return
    if modo == "sessao-errada":
        gravar(args.saida, nome, resposta(int(sessao) % 999999 + 1, linhas(args.linhas)))
    elif modo == "malformada":
        gravar(args.saida, nome, "isto não é <xml")
    elif modo == "ee":
        gravar(args.saida, nome, resposta(sessao, linhas(args.linhas), codigo="EE"))
    elif modo == "erro":
        gravar(args.saida, nome, resposta(sessao, None, erro="falha no integrador"))
    elif modo == "aspas":
        gravar(args.saida, nome, resposta(sessao, '\\"' + linhas(args.linhas)))
    elif modo == "encaminhar":
        gravar(args.saida, nome, resposta(sessao, encaminhar(args, params)))
    elif args.resposta_arquivo:
        with open(args.resposta_arquivo, "rb") as f:
            setima = base64.b64encode(f.read()).decode()
        gravar(args.saida, nome, resposta(sessao, linhas(max(args.linhas, 7), setima)))
    else:
        gravar(args.saida, nome, resposta(sessao, linhas(args.linhas)))
        if modo == "duas":
            gravar(args.saida, "b-" + nome, resposta(sessao, linhas(args.linhas)))


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--entrada", required=True)
    p.add_argument("--saida", required=True)
    p.add_argument("--pasta-log", required=True)
    p.add_argument("--modo", default="imediato")
    p.add_argument("--atraso", type=float, default=0.5)
    p.add_argument("--linhas", type=int, default=7)
    p.add_argument("--uma", action="store_true")
    p.add_argument("--duracao", type=float, default=60)
    p.add_argument("--resposta-arquivo", help="the seventh line is this file, Base64")
    p.add_argument("--url")
    p.add_argument("--pfx-pem")
    p.add_argument("--chave-pem")
    p.add_argument("--ca")
    p.add_argument("--perder", action="append", default=[])
    args = p.parse_args()
    with open(os.path.join(args.pasta_log, "pronto"), "w") as f:
        f.write(str(os.getpid()))
    fim = time.monotonic() + args.duracao
    n = 0
    while time.monotonic() < fim:
        if args.modo != "nunca":
            for nome in sorted(os.listdir(args.entrada)):
                caminho = os.path.join(args.entrada, nome)
                if not nome.endswith(".xml") or not os.path.isfile(caminho):
                    continue
                n += 1
                atender(args, caminho, n)
                if args.uma:
                    return 0
        time.sleep(0.02)
    return 0


if __name__ == "__main__":
    sys.exit(main())
