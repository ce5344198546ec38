#!/usr/bin/env python3
"""Writes component/TuimNFeServicos.ini from the published address list.

Usage: scripts/gen-catalogue.py component/sefaz-endpoints.csv component/TuimNFeServicos.ini

The catalogue is data, kept beside the code so an operator can replace it with an external
file of the same form; rerun this script when the published addresses change.
"""
import csv
import sys
from collections import OrderedDict

STATES = ["AC", "AL", "AM", "AP", "BA", "CE", "DF", "ES", "GO", "MA", "MG", "MS", "MT", "PA",
          "PB", "PE", "PI", "PR", "RJ", "RN", "RO", "RR", "RS", "SC", "SE", "SP", "TO"]
AUTHORITY = {"SVCAN": "SVC-AN", "SVCRS": "SVC-RS"}
NFE_SHARED = ["SVAN", "SVRS", "SVC-AN", "SVC-RS", "AN"]
NFCE_SHARED = ["SVAN", "SVRS"]
ENVS = [("producao", "P"), ("homologacao", "H")]
# Services whose operation is not a layout-4.00 port: key name and version of the catalogue.
OLD_KEYS = {
    ("55", "RecepcaoEPEC"): "RecepcaoEvento_1.00",
    ("65", "RecepcaoEPEC"): "EventoEPEC_1.00",
    ("55", "NfeDistribuicaoDFe"): "NFeDistribuicaoDFe_1.01",
    ("55", "NfeConsultaDest"): "NfeConsultaDest_1.01",
    ("55", "NfeDownloadNF"): "NfeDownloadNF_1.00",
    ("65", "CscNFCe"): "AdministrarCSCNFCe_1.00",
}
SKIPPED = {"EPECStatusServico"}  # no service of the component asks for it
NAMESPACE_KEYS = OrderedDict([
    ("NFeAutorizacao4", "NFeAutorizacao_4.00"),
    ("NFeRetAutorizacao4", "NFeRetAutorizacao_4.00"),
    ("NFeInutilizacao4", "NfeInutilizacao_4.00"),
    ("NFeConsultaProtocolo4", "NFeConsultaProtocolo_4.00"),
    ("NFeStatusServico4", "NFeStatusServico_4.00"),
    ("NFeRecepcaoEvento4", "RecepcaoEvento_4.00"),
    ("CadConsultaCadastro4", "CadConsultaCadastro_4.00"),
])
WSDL_BASE = "http://www.portalfiscal.inf.br/nfe/wsdl/"


def key_for(row):
    model, service, op = row["model"], row["service"], row["operation"]
    if service == "NfeConsultaQR":
        return ["URL-QRCode", "URL-QRCode_2.00"]
    if service == "ConsultaNFCe":
        return ["URL-ConsultaNFCe", "URL-ConsultaNFCe_2.00"]
    # A layout-4.00 port ends in 4; a few rows name the port without it but not the address.
    if op.endswith("4") or row["url"].rstrip("/").endswith("4"):
        return [service + "_4.00"]
    k = OLD_KEYS.get((model, service))
    if k is None:
        raise SystemExit("no catalogue key for %r" % (row,))
    return [k]


def main(src, dst):
    rows = list(csv.DictReader(open(src, newline="", encoding="utf-8")))
    sections = OrderedDict()  # (model, authority, env) -> OrderedDict key -> url
    for r in rows:
        if r["service"] in SKIPPED or not r["url"].strip():
            continue
        model = "NFe" if r["model"] == "55" else "NFCe"
        auth = AUTHORITY.get(r["authority"], r["authority"])
        env = dict(ENVS)[r["environment"]]
        keys = sections.setdefault((model, auth, env), OrderedDict())
        for k in key_for(r):
            keys.setdefault(k, r["url"].strip())

    out = []

    def section(model, auth, env):
        name = "%s_%s_%s" % (model, auth, env)
        own = sections.get((model, auth, env), OrderedDict())
        lines = []
        has_services = any(not k.startswith("URL-") for k in own)
        if auth in STATES and not has_services:
            target = "SVAN" if (model == "NFe" and auth == "MA") else "SVRS"
            lines.append("Usar=%s_%s_%s" % (model, target, env))
        lines += ["%s=%s" % kv for kv in own.items()]
        out.append("[%s]" % name)
        out.extend(lines)
        out.append("")

    out.append(";;;;;;;;;;;;;; ENDERECOS DA NFe ;;;;;;;;;;;;;;;;")
    out.append("")
    for auth in STATES + NFE_SHARED:
        for _, env in ENVS:
            section("NFe", auth, env)
    out.append(";;;;;;;;;;;;;; ENDERECOS DA NFCe ;;;;;;;;;;;;;;;;")
    out.append("")
    for auth in STATES + NFCE_SHARED:
        for _, env in ENVS:
            section("NFCe", auth, env)

    # Namespaces and actions: the national names, and SP's where its ports differ.
    methods, methods_sp = {}, {}
    for r in rows:
        op = r["operation"]
        if op in NAMESPACE_KEYS and r["model"] == "55":
            target = methods_sp if r["authority"] == "SP" else methods
            target.setdefault(op, {}).setdefault(r["method"], 0)
            target[op][r["method"]] += 1
    for suffix, table in (("", methods), ("_SP", methods_sp)):
        out.append("[WSDL_V4%s]" % suffix)
        for op, key in NAMESPACE_KEYS.items():
            out.append("%s=%s%s" % (key, WSDL_BASE, op))
        out.append("")
        out.append("[SOAP_V4%s]" % suffix)
        for op, key in NAMESPACE_KEYS.items():
            counts = table.get(op) or methods[op]
            method = max(counts.items(), key=lambda kv: kv[1])[0]
            out.append("%s=%s%s/%s" % (key, WSDL_BASE, op, method))
        out.append("")

    with open(dst, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(out).rstrip("\n") + "\n")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
