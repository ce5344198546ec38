#pragma once
#include <string>
#include <vector>

// MIME encoding pieces of the mail component (RFC 2045 to 2047, 2231), kept apart so that they
// can be tested on their own. Texts given here are already in the charset named.

namespace tuim::mime {

// Quoted-printable with CR LF hard breaks (any CR, LF or CR LF in texto is one) and soft
// breaks keeping every line within 76 characters.
std::string QuotedPrintable(const std::string& texto);
// Base64 in lines of 76 characters, each ended by CR LF.
std::string Base64Linhas(const std::string& dados);
// The text as is when it is printable ASCII, otherwise RFC 2047 "B" encoded words of at most
// 75 characters, folded with CR LF + space, never splitting a UTF-8 character.
std::string CodificarCabecalho(const std::string& texto, const std::string& charset);
// Control characters removed: an address or identifier never carries a line break into a
// header or an SMTP command.
std::string SemControles(const std::string& s);
// An address line ("Name" <a@b>, Name <a@b> or a@b) with its display name encoded as needed.
std::string CodificarEndereco(const std::string& linha, const std::string& charset);
// The address part of a line: what is inside the angle brackets, else the trimmed line.
std::string SomenteEndereco(const std::string& linha);
// A parameter (name="value", or RFC 2231 name*=charset''%XX when value is not ASCII).
std::string Parametro(const std::string& nome, const std::string& valor, const std::string& charset);
// Media type from the file name's extension; application/octet-stream when unknown.
std::string TipoMidia(const std::string& nomeArquivo);
// Lines starting with "." get another one; the text ends with CR LF.
std::string DotStuffing(const std::string& mensagem);

}  // namespace tuim::mime
