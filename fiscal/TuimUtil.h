#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimException.h"

// Small operations on Windows-1252 texts, numbers, dates, files and XML fragments.
// Positions are 1-based. Every function is free of shared state: numbers and dates are
// formatted and read with fixed separators, never through the process locale, so all of them
// may run on any thread at once.

namespace tuim {

// Raised when a text does not hold the number (decimal or hexadecimal) it should.
class ETuimConversaoException : public ETuimDFeException {
public:
  using ETuimDFeException::ETuimDFeException;
};

// Folder separator appended by CaminhoComBarra and PastaAplicacao.
constexpr char PathDelim = '/';

// ---- Character classes and filters ------------------------------------------------------

bool CaractereAlfa(char c);          // A-Z, a-z
bool CaractereNumerico(char c);      // 0-9
bool CaractereAlfaNumerico(char c);
bool CaractereBase64(char c);        // A-Z, a-z, 0-9, '+', '/'

bool TextoNumerico(const std::string& s);      // not empty, digits only
bool TextoAlfaNumerico(const std::string& s);  // letters and digits only; "" answers true
// Not empty, length a multiple of 4, at most two trailing '=', Base64 characters before them.
bool TextoBase64(const std::string& s);

std::string SomenteNumeros(const std::string& s);
std::string SomenteAlfaNumericos(const std::string& s);

bool TextoVazio(const std::string& s);  // length 0; blanks count as content
bool TextoPreenchido(const std::string& s);

// ---- Basic text helpers -----------------------------------------------------------------

// Trimming drops every byte up to and including the space (controls and blanks).
std::string Trim(const std::string& s);
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);
// ASCII letters only.
// The lines of a text split at LF, a CR before it dropped. As a string list takes its text: a
// final line break opens no further line, and an empty text has no lines.
std::vector<std::string> DividirLinhas(const std::string& texto);
std::string UpperCase(const std::string& s);
std::string LowerCase(const std::string& s);
// Windows-1252 letters too (accented capitals and small letters).
std::string AnsiUpperCase(const std::string& s);
std::string AnsiLowerCase(const std::string& s);
// Position of sub in s starting at position `inicio`; 0 when none (or sub empty).
std::size_t Posicao(const std::string& sub, const std::string& s, std::size_t inicio = 1);
bool IniciaCom(const std::string& s, const std::string& prefixo);
bool TerminaCom(const std::string& s, const std::string& sufixo);
// Case-insensitive (ASCII) equality.
bool TextosIguaisSemCaixa(const std::string& a, const std::string& b);

// ---- Text shaping ----------------------------------------------------------------------

// Shorter than n: c repeated in front up to length n; otherwise the leftmost n characters.
std::string CompletarEsquerda(const std::string& s, std::size_t n, char c = ' ');
// Shorter than n: c repeated after it up to length n; otherwise the leftmost n characters.
std::string CompletarDireita(const std::string& s, std::size_t n, char c = ' ');
std::string TextoComZerosEsquerda(const std::string& s, std::size_t n);  // of the trimmed s
// Decimal form of v padded with zeros to n; a longer value keeps its leftmost n digits; a
// negative value keeps its sign in front of the zeros.
std::string InteiroComZerosEsquerda(std::int64_t v, std::size_t n);

// Accented letters to plain ones; then every byte other than LF, CR and 32..126 becomes a
// space, so no control that XML forbids survives.
std::string RemoverAcentos(const std::string& s);
std::string RemoverTexto(const std::string& sub, const std::string& s);  // "" sub: s unchanged
std::size_t UltimaPosicao(const std::string& sub, const std::string& s);  // 0 when none
std::string SeVazio(const std::string& s, const std::string& padrao, bool aparar = true);
// Every "<...>" tag removed; a "<" without a later ">" is kept as text.
std::string RemoverTags(const std::string& s);
// CR LF and lone CR become LF, then LF becomes q (unless q is LF); a blank s is unchanged.
std::string NormalizarQuebras(const std::string& s, const std::string& q = ";");
// Printable ASCII kept; controls by name ("[TAB]"), other bytes as "[decimal]".
std::string TraduzirControles(const std::string& s);
// First character of candidatos (";,|" when empty) found in s; ' ' when none.
char DetectarDelimitador(const std::string& s, const std::string& candidatos = "");
// Items of s split at d appended to lista; an item starting with aspas (aspas != d) runs to
// the next aspas, keeping d inside, and loses its quotes; an unclosed quote runs to the end.
// Returns the number of items appended.
int SepararTexto(const std::string& s, char d, std::vector<std::string>& lista, char aspas = '"');
// Byte p combined by xor with key byte (p mod key length); bytes equal to their key byte, and
// NUL bytes, stay as they are, so a second call with the same key always restores s.
std::string EmbaralharXor(const std::string& s, const std::string& chave);

// ---- Encoding ---------------------------------------------------------------------------

// The system's own literal texts into native text: the identity for Windows-1252.
inline const std::string& TextoNativo(const std::string& s) { return s; }
// Windows-1252 to UTF-8 (the five unassigned bytes map to the C1 code points of the same value).
std::string ParaUTF8(const std::string& s);
// UTF-8 to Windows-1252; code points without a Windows-1252 form become '?', a leading byte
// order mark is dropped. Text that is not valid UTF-8 is returned unchanged.
std::string DeUTF8(const std::string& s);
// Strict form: false (and out empty) when s is not valid UTF-8.
bool DeUTF8Seguro(const std::string& s, std::string& out);
bool TextoUTF8Valido(const std::string& s);
// Windows-1252 byte of a Unicode code point; '?' when it has none.
char CodePointParaCp1252(char32_t cp);
std::string DecodificarTexto(const std::string& s, bool utf8);  // DeUTF8 when utf8

std::string TextoParaHex(const std::string& s);  // two upper-case digits per byte
// Trimmed h read two digits at a time (a last single digit ignored); raises
// ETuimConversaoException on a digit that is not hexadecimal.
std::string HexParaTexto(const std::string& h);
bool HexParaTextoSeguro(const std::string& h, std::string& t);  // t empty on failure

// Standard Base64 (RFC 4648, with padding, no line breaks).
std::string CodificarBase64(const std::string& dados);
// Blanks and line breaks inside the text are ignored; false (out empty) on anything else.
bool DecodificarBase64(const std::string& b64, std::string& out);
std::string DecodificarBase64(const std::string& b64);  // empty when invalid

// ---- Numbers ----------------------------------------------------------------------------

// x rounded to the power of ten 10^d (d = -2: hundredths), halves away from zero, on the
// decimal value of x (15 significant digits), never giving -0.
double ArredondarPara(double x, int d);
std::int64_t TruncarArredondado(double x);  // integer part of ArredondarPara(x, -9)

// Trimmed s read as a decimal number with '.' or ',' as separator (sign and exponent
// allowed); raises ETuimConversaoException otherwise.
double TextoParaNumero(const std::string& s);
bool TextoParaNumeroSeguro(const std::string& s, double& v);
double TextoParaNumeroPadrao(const std::string& s, double padrao);
// Trimmed s as a 64-bit integer (optional sign); padrao when it is not one.
std::int64_t TextoParaInteiroPadrao(const std::string& s, std::int64_t padrao);

// "0" when casas < 1, otherwise ("," when milhar) + "0." + casas zeros.
std::string MascaraDecimal(int casas = 2, bool milhar = true);
// x formatted with a numeric mask ("0", "#", ".", ",", quoted literals, "pos;neg;zero"
// sections) with ',' as decimal and '.' as thousand separator: 9876.5 -> "9.876,50".
std::string FormatarNumeroBr(double x, const std::string& mascara = ",0.00");
// x formatted with mascara, or in the shortest general form (15 significant digits) when
// mascara is empty; no thousand separators; separador as the decimal separator.
std::string NumeroParaTexto(double x, char separador = '.', const std::string& mascara = "");
// The same engine with any separators ('\0' as milhar: no grouping).
std::string FormatarNumero(double x, const std::string& mascara, char decimal, char milhar);

// ---- Dates ------------------------------------------------------------------------------

// Date-time masks (letters in either case): d dd ddd dddd ddddd dddddd, m mm mmm mmmm
// (minutes after h), yy yyyy, h hh, n nn, s ss, z zzz, t tt, c, am/pm, a/p, "/" and ":",
// quoted literals. Day and month names are Portuguese.
std::string FormatarDataHoraBr(TDateTime t, const std::string& mascara = "DD/MM/YYYY hh:nn:ss");
std::string FormatarDataBr(TDateTime t, const std::string& mascara = "DD/MM/YYYY");
std::string DataHoraParaTexto14(TDateTime t);  // "yyyymmddhhnnss"
// Trimmed s as yyyymmddhhnnss; a part that is not a number counts as 0; an impossible
// date-time gives 0.
TDateTime TextoParaDataHora14(const std::string& s);

// ---- Files ------------------------------------------------------------------------------

std::string PastaAplicacao();  // folder of the running executable, ending with PathDelim
// Trimmed p with PathDelim appended when not empty and not ending with '/' or '\\'.
std::string CaminhoComBarra(const std::string& p);
bool ArquivoExiste(const std::string& arquivo);
bool PastaExiste(const std::string& pasta);
// Creates the folder and its missing parents; true when it exists afterwards.
bool CriarPasta(const std::string& pasta);
// Whole file as bytes; false (conteudo empty) when it cannot be read.
bool LerArquivo(const std::string& arquivo, std::string& conteudo);
// Nothing when arquivo is empty, or when it exists and texto is empty. Otherwise the folder
// is created when criarPasta is set, the file is appended to (when it exists and acrescentar
// is set) or created anew, under an exclusive lock, and texto written, plus CR LF when
// quebraFinal. Raises ETuimDFeException when the file cannot be written.
void GravarTexto(const std::string& arquivo, const std::string& texto, bool acrescentar = true,
                 bool criarPasta = false, bool quebraFinal = true);
// texto (through TraduzirControles when traduzir) plus CR LF appended; never raises.
void GravarLog(const std::string& arquivo, const std::string& texto, bool traduzir = false);
// Entries (files and folders) matching the mask's wildcards ('*', '?'; "*.*" is every name),
// with the mask's folder in front when comCaminho. tipo 0: as the file system lists them;
// 1: by last-write time, then name; other: by name. Names compare ignoring case; ordem 2 is
// descending. Names holding ".." are skipped.
void ListarArquivos(const std::string& mascara, std::vector<std::string>& lista,
                    bool comCaminho = true, int ordem = 1, int tipo = 0);
bool ExistemArquivos(const std::string& mascara);

// ---- XML fragments (text only, no parser) -----------------------------------------------

// decodificar: DecodificarTexto(s, utf8), then one left-to-right pass turning the named
// entities (&amp; &lt; &gt; &quot; &apos; &#39; and the Portuguese letters) and numeric
// references into Windows-1252 characters ('?' when a code point has none); anything else is
// kept. Encoding: & < > " ' as &amp; &lt; &gt; &quot; &#39;.
std::string TratarEntidades(const std::string& s, bool decodificar = true, bool utf8 = true);
// Content of the first element named tag (whole name, case-insensitive), or the whole
// element with comTags; with buscarPrefixo an element written "prefix:tag" is found too.
// Empty when there is no such element with its end tag.
std::string ExtrairConteudoTag(const std::string& s, const std::string& tag, bool comTags = false,
                               bool buscarPrefixo = true);
// ExtrairConteudoTag of each tag in order; the first trimmed result that is not empty.
std::string ExtrairPrimeiraTag(const std::vector<std::string>& tags, const std::string& s,
                               bool buscarPrefixo = true, bool comTags = false);
// Text between the first "<tag>" and the next "</tag>"; the rest of s when the end tag is
// missing; empty when the start tag is.
std::string ConteudoTag(const std::string& s, const std::string& tag, bool ignorarCaixa = true);
// Text after the first inicio up to the next fim (from inicio through fim with incluir);
// empty when either is missing.
std::string ConteudoEntre(const std::string& s, const std::string& inicio, const std::string& fim,
                          bool incluir = false);
std::string SubstituirSeExistir(const std::string& s, const std::string& busca,
                                const std::string& troca);
// "encoding" within the first 50 characters, followed there by "utf-8" (any case).
bool XmlEmUTF8(const std::string& s);
// s when XmlEmUTF8; otherwise the UTF-8 declaration, replacing any other one, + ParaUTF8(s).
std::string ConverterXmlUTF8(const std::string& s);
std::string DeclaracaoXml(const std::string& s);  // first "<?" through the next "?>", or ""
std::string RemoverDeclaracaoXml(const std::string& s);
// d + s when d is "<?...?>" and s has no declaration; otherwise s.
std::string InserirDeclaracaoXml(const std::string& s,
                                 const std::string& d = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");

}  // namespace tuim
