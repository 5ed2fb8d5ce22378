// Reads a classic script on standard input and writes it without its comments,
// indentation and empty lines, for the one-file page: every token stays as it
// was, a line end stays wherever one was (so automatic semicolons fall where
// they did), and template literals keep every byte.
// Usage: NODE_PATH=/usr/share/nodejs node strip_comments.cjs < in.js > out.js
'use strict';
const acorn = require('acorn');
const walk = require('acorn-walk');

const source = require('fs').readFileSync(0, 'utf8');
const comments = [];
const ast = acorn.parse(source, { ecmaVersion: 'latest', sourceType: 'script', onComment: comments });
const templates = [];
walk.full(ast, (node) => {
  if (node.type === 'TemplateLiteral') templates.push([node.start, node.end]);
});
const inTemplate = (at) => templates.some(([start, end]) => at > start && at < end);

let out = '';
let at = 0;
let lineStart = true;  // only blanks written since the last line end
const newline = () => {
  if (!lineStart) out += '\n';
  lineStart = true;
};
for (const comment of [...comments, { start: source.length, end: source.length }]) {
  for (; at < comment.start; ++at) {
    const c = source[at];
    if (inTemplate(at)) {
      out += c;
      lineStart = false;
    } else if (c === '\n') {
      out = out.replace(/[ \t]+$/, '');
      newline();
    } else if (!(lineStart && (c === ' ' || c === '\t'))) {
      out += c;
      lineStart = false;
    }
  }
  // A comment that spans lines counts as a line end.
  if (/[\n\r\u2028\u2029]/.test(source.slice(comment.start, comment.end))) newline();
  at = comment.end;
}
process.stdout.write(out.replace(/[ \t]+$/, '') + (lineStart ? '' : '\n'));
