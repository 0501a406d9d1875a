#!/usr/bin/env python3
"""Expands the Exec line of a desktop entry for one file, as a launcher does, and prints the
resulting arguments NUL-separated. Follows the desktop entry rules: the string escapes of the
value first, then double-quoted arguments (with \\", \\`, \\$ and \\\\ inside), then the field
codes (%f the file, %% a percent sign, the deprecated and unused codes dropped)."""
import sys

RESERVED = set(' \t\n"\'\\><~|&;$*?#()`')


def exec_value(entry_path):
    in_group = False
    for line in open(entry_path, encoding='utf-8'):
        line = line.rstrip('\n')
        if line.startswith('['):
            in_group = line == '[Desktop Entry]'
        elif in_group and line.startswith('Exec='):
            return line[len('Exec='):]
    raise SystemExit('no Exec key in ' + entry_path)


def unescape_string(value):
    out, i = [], 0
    escapes = {'s': ' ', 'n': '\n', 't': '\t', 'r': '\r', '\\': '\\'}
    while i < len(value):
        if value[i] == '\\' and i + 1 < len(value) and value[i + 1] in escapes:
            out.append(escapes[value[i + 1]])
            i += 2
        else:
            out.append(value[i])
            i += 1
    return ''.join(out)


def split_arguments(command):
    """Words of the command line; each word is a list of (text, quoted) pieces."""
    words, pieces, text, i, quoted, started = [], [], '', 0, False, False
    while i < len(command):
        c = command[i]
        if quoted:
            if c == '\\' and i + 1 < len(command) and command[i + 1] in '"`$\\':
                text += command[i + 1]
                i += 1
            elif c == '"':
                pieces.append((text, True))
                text, quoted = '', False
            else:
                text += c
        elif c == '"':
            if text:
                pieces.append((text, False))
            text, quoted, started = '', True, True
        elif c == ' ':
            if text:
                pieces.append((text, False))
            if pieces or started:
                words.append(pieces)
            pieces, text, started = [], '', False
        else:
            if c in RESERVED:
                raise SystemExit('reserved character %r outside quotes' % c)
            text += c
        i += 1
    if quoted:
        raise SystemExit('unterminated quote')
    if text:
        pieces.append((text, False))
    if pieces or started:
        words.append(pieces)
    return words


def expand(words, file_name):
    arguments = []
    for pieces in words:
        out, dropped = '', False
        for text, quoted in pieces:
            if quoted:  # field codes inside quotes are not expanded
                out += text
                continue
            i = 0
            while i < len(text):
                if text[i] == '%' and i + 1 < len(text):
                    code = text[i + 1]
                    if code == '%':
                        out += '%'
                    elif code in 'fFuU':
                        if code in 'FU' and (len(pieces) > 1 or len(text) > 2):
                            raise SystemExit('%' + code + ' must be an argument on its own')
                        if file_name is None and len(pieces) == 1 and len(text) == 2:
                            dropped = True  # no file: the argument disappears
                        out += file_name or ''
                    elif code in 'ick':
                        raise SystemExit('field code %' + code + ' is not expected here')
                    i += 2
                    continue
                out += text[i]
                i += 1
        if not dropped:
            arguments.append(out)
    return arguments


if __name__ == '__main__':
    entry = sys.argv[1]
    file_name = sys.argv[2] if len(sys.argv) > 2 else None
    arguments = expand(split_arguments(unescape_string(exec_value(entry))), file_name)
    sys.stdout.write('\0'.join(arguments))
