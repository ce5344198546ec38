#!/usr/bin/env bash
# Makes the certificates the tests need, in the folder given (created when missing): a test CA,
# company and person certificates with the ICP-Brasil other names, an expired one, and PKCS#12
# files in the legacy (RC2-40/3DES) and modern (AES) forms. Nothing here is a real secret.
set -euo pipefail
out=${1:?usage: gerar-certificados.sh FOLDER}
mkdir -p "$out/novos"
cd "$out"
: > index.txt
senha=1234

cat > ca.cnf <<CNF
[ ca ]
default_ca = tca
[ tca ]
dir = .
database = index.txt
new_certs_dir = novos
serial = serial
default_md = sha256
policy = politica
unique_subject = no
email_in_dn = no
preserve = yes
[ politica ]
countryName = optional
organizationName = optional
organizationalUnitName = optional
commonName = supplied
[ req ]
distinguished_name = dn
utf8 = yes
string_mask = utf8only
[ dn ]
[ v3_ca ]
basicConstraints = critical,CA:true
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[ empresa ]
basicConstraints = CA:false
keyUsage = critical,digitalSignature,nonRepudiation,keyEncipherment
extendedKeyUsage = clientAuth,emailProtection
subjectAltName = @san_empresa
[ san_empresa ]
otherName.1 = 2.16.76.1.3.4;FORMAT:ASCII,OCTETSTRING:01011980123456789090000000000000000000000000000SSPSP
otherName.2 = 2.16.76.1.3.2;FORMAT:ASCII,OCTETSTRING:FULANO DE TAL
otherName.3 = 2.16.76.1.3.3;FORMAT:ASCII,OCTETSTRING:11222333000181
otherName.4 = 2.16.76.1.3.7;FORMAT:ASCII,OCTETSTRING:000000000000
[ pessoa ]
basicConstraints = CA:false
keyUsage = critical,digitalSignature,nonRepudiation,keyEncipherment
extendedKeyUsage = clientAuth,emailProtection
subjectAltName = @san_pessoa
[ san_pessoa ]
email = fulano@example.com
otherName.1 = 2.16.76.1.3.1;FORMAT:ASCII,PRINTABLESTRING:01011980123456789090000000000000000000000000000SSPSP
otherName.2 = 2.16.76.1.3.6;FORMAT:ASCII,OCTETSTRING:000000000000
otherName.3 = 2.16.76.1.3.5;FORMAT:ASCII,OCTETSTRING:0000000000000000000000000000000
[ simples ]
basicConstraints = CA:false
keyUsage = critical,digitalSignature
[ forjado ]
basicConstraints = CA:false
# A private extension whose bytes look like the tail of 2.16.76.1.3.3 and a long length: a byte
# search would read past it. The real other name holds a short value.
1.3.6.1.4.1.99999.1 = DER:0406010303A07F41
subjectAltName = @san_forjado
[ san_forjado ]
otherName.1 = 2.16.76.1.3.3;FORMAT:ASCII,OCTETSTRING:123
CNF

# The CA signs with serials that hold a zero byte inside ("7F00...").
echo 7F00A1B2C3D4E5F6 > serial
openssl req -x509 -new -config ca.cnf -extensions v3_ca -newkey rsa:2048 -nodes -keyout ca.key \
  -subj "/C=BR/O=ICP-Brasil/OU=Autoridade Certificadora Raiz de Teste/CN=AC TUIM TESTE RFB v1" \
  -days 7300 -out ca.pem 2>/dev/null

# Key generation is the slow part: the company certificates share one key; the person has its own.
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out chave-empresa.key 2>/dev/null
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out chave-pessoa.key 2>/dev/null

emitir() {  # name subject extensions start end [key]
  local nome=$1 subj=$2 ext=$3 inicio=$4 fim=$5 chave=${6:-chave-empresa.key}
  cp "$chave" "$nome.key"
  openssl req -new -config ca.cnf -key "$nome.key" -subj "$subj" -out "$nome.csr" 2>/dev/null
  openssl ca -batch -config ca.cnf -utf8 -cert ca.pem -keyfile ca.key -in "$nome.csr" -out "$nome.pem" \
    -extfile ca.cnf -extensions "$ext" -startdate "$inicio" -enddate "$fim" -notext 2>/dev/null
  openssl pkcs12 -export -in "$nome.pem" -inkey "$nome.key" -certfile ca.pem -name "$nome" \
    -passout "pass:$senha" -out "$nome.pfx"
}

emitir empresa "/C=BR/O=ICP-Brasil/OU=Teste/CN=EMPRESA TESTE LTDA:11222333000181" empresa \
  20240101000000Z 20451231235959Z
emitir empresa-san "/C=BR/O=ICP-Brasil/OU=Teste/CN=CONFECÇÕES SÃO JOÃO LTDA" empresa \
  20240101000000Z 20451231235959Z
emitir pessoa "/C=BR/O=ICP-Brasil/OU=Teste/CN=FULANO DE TAL" pessoa \
  20240101000000Z 20551231120000Z chave-pessoa.key
emitir expirado "/C=BR/O=ICP-Brasil/OU=Teste/CN=EMPRESA VENCIDA LTDA:11222333000181" empresa \
  990101000000Z 991231235959Z
emitir forjado "/C=BR/O=Teste/CN=CERTIFICADO FORJADO" forjado 20240101000000Z 20451231235959Z
emitir semsan "/C=BR/O=Teste/CN=SEM IDENTIFICACAO" simples 20240101000000Z 20451231235959Z

# The same company certificate in the legacy and modern PKCS#12 forms, with other passwords.
openssl pkcs12 -export -legacy -in empresa.pem -inkey empresa.key -certfile ca.pem \
  -passout "pass:$senha" -out empresa-legacy.pfx
openssl pkcs12 -export -in empresa.pem -inkey empresa.key -certfile ca.pem \
  -keypbe AES-256-CBC -certpbe AES-256-CBC -macalg sha256 -passout "pass:$senha" -out empresa-aes.pfx
openssl pkcs12 -export -in empresa.pem -inkey empresa.key -passout "pass:sênha" -out empresa-acento.pfx
openssl pkcs12 -export -in empresa.pem -inkey empresa.key -passout "pass:" -out empresa-semsenha.pfx
openssl pkcs12 -export -nokeys -in empresa.pem -passout "pass:$senha" -out semchave.pfx
head -c 300 empresa-aes.pfx > corrompido.pfx
openssl x509 -in empresa.pem -outform DER -out empresa.der
rm -f ./*.csr
