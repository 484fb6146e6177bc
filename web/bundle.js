// Makes the one HTML file of the web edition: the page's template with its style, its two
// scripts and the core (the module's JavaScript, the WebAssembly inside it) written in place.
//   node bundle.js PAGE.html STYLE.css LOGIC.js CORE.js APP.js OUT.html
'use strict';
const fs = require('fs');

const [page, style, logic, core, app, out] = process.argv.slice(2);
if (!out) {
  console.error('usage : node bundle.js PAGE.html STYLE.css LOGIC.js CORE.js APP.js OUT.html');
  process.exit(2);
}
const read = (file) => fs.readFileSync(file, 'utf8');
// Inside a <script> element, only "</script" could end it early.
const script = (file) => '<script>\n' + read(file).replace(/<\/(script)/gi, '<\\/$1') + '\n</script>';
const html = read(page)
  .replace('<!--STYLE-->', () => '<style>\n' + read(style) + '</style>')
  .replace('<!--SCRIPTS-->', () => [logic, core, app].map(script).join('\n'));
fs.writeFileSync(out + '.tmp', html);
fs.renameSync(out + '.tmp', out);
