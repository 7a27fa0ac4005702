// The report page's style sheet and script. Both are written into every page:
// the page must work from a file share with no network, so nothing is linked.
#include "fleet/report/assets.h"

namespace norvale::fleet {

// Sections off the screen are laid out only when scrolled to
// (content-visibility): the first paint of a page of many tables waits for
// the tables in view alone. Paper lays out every section.
const char kReportStyle[] = R"CSS(
:root{--ink:#1d2430;--muted:#5b6575;--line:#d9dee6;--bar:#3b6ea5;--warn:#b3261e;--bg:#f6f7f9;--link:#1f5a9e}
*{box-sizing:border-box}
body{margin:0;padding:20px 28px;font:14px/1.45 system-ui,"Segoe UI","Noto Sans CJK JP","VL Gothic","Meiryo",sans-serif;color:var(--ink);background:#fff}
a{color:var(--link)}
h1{font-size:22px;margin:0 0 2px;overflow-wrap:anywhere}
h2{font-size:17px;margin:26px 0 8px;padding-bottom:4px;border-bottom:2px solid var(--line)}
.meta,.crumbs{color:var(--muted);margin:0 0 12px}
.crumbs{margin:0 0 4px}
.totals{display:flex;flex-wrap:wrap;gap:10px;margin:0}
.totals div{background:var(--bg);border:1px solid var(--line);border-radius:6px;padding:8px 14px;min-width:150px}
.totals dt{font-size:12px;color:var(--muted)}
.totals dd{margin:0;font-size:20px;font-weight:600;font-variant-numeric:tabular-nums}
.charts{display:grid;grid-template-columns:repeat(auto-fit,minmax(min(520px,100%),1fr));gap:14px}
figure.chart{margin:0;min-width:0;border:1px solid var(--line);border-radius:6px;padding:10px 12px;break-inside:avoid;page-break-inside:avoid}
figcaption{font-weight:600;margin-bottom:6px}
svg.bars{display:block;max-width:100%;height:auto}
svg.bars text{font-size:12px;fill:var(--ink)}
svg.bars text.label{text-anchor:end}
svg.bars text.count{font-weight:600;font-variant-numeric:tabular-nums}
svg.bars rect{fill:var(--bar)}
#chart-disk g.bar:first-child rect{fill:var(--warn)}
.low-disk,.low-memory{margin:6px 0 0;font-size:13px;max-height:7.5em;overflow-y:auto;overflow-wrap:anywhere}
.low-disk .pc,.low-memory .pc{color:var(--warn);font-weight:600}
.empty,.hint,p.none{color:var(--muted);margin:4px 0}
.tools{display:flex;flex-wrap:wrap;gap:8px;margin:0 0 8px}
.filter{width:320px;max-width:100%;padding:5px 8px;border:1px solid var(--line);border-radius:4px;font:inherit}
.tools button,.pager button{font:inherit;padding:2px 10px;border:1px solid var(--line);border-radius:4px;background:#fff;cursor:pointer}
.table-wrap{overflow-x:auto;border:1px solid var(--line);border-radius:6px}
table.data{border-collapse:collapse;width:100%;font-size:12px}
table.data th{background:var(--bg);text-align:left;vertical-align:bottom;padding:5px;border-bottom:1px solid var(--line);white-space:nowrap}
table.data th[tabindex]{cursor:pointer;user-select:none}
table.data th[data-type=num]{text-align:right}
table.data th[aria-sort=ascending]::after{content:" \25B2";font-size:10px}
table.data th[aria-sort=descending]::after{content:" \25BC";font-size:10px}
table.data td{padding:3px 5px;border-bottom:1px solid #eef0f3;vertical-align:top;max-width:26em;overflow-wrap:break-word}
table.data td.num{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
#computers td:nth-child(2),#changes td:nth-child(2),#errors td:nth-child(2),#unseen td:nth-child(2),#ahead td{white-space:nowrap}
#computers td:nth-child(1){white-space:nowrap}
#computers td:nth-child(3){min-width:9em}
#computers td:nth-child(4){min-width:11em}
table.data td.warn{color:var(--warn);font-weight:600}
html.js table.data>tbody>tr:nth-child(n+101),table.data>tbody>tr.off{display:none}
html:not(.js):not([data-ready]) .table-wrap.first{display:none}
#applications tbody tr.app{cursor:pointer}
#applications tbody tr.app:hover,#applications tbody tr.open{background:#eef4fb}
tr.detail td{background:#fafbfc;font-size:12px;color:var(--muted);max-width:none}
tr.detail .names{color:var(--ink)}
tr.detail .version{color:var(--muted)}
.pager{display:flex;flex-wrap:wrap;gap:8px;align-items:center;margin:6px 0 0;color:var(--muted);font-size:13px}
.pager button:disabled{opacity:.4;cursor:default}
section.table-section{content-visibility:auto;contain-intrinsic-size:auto 400px}
@media (max-width:600px){
 body{padding:12px}
 .totals div{min-width:0;flex:1 1 40%}
 .filter{width:100%}
}
@page{size:A4;margin:10mm}
@page wide{size:A4 landscape;margin:8mm}
@media print{
 section.table-section{content-visibility:visible}
 body{padding:0;font-size:9pt;-webkit-print-color-adjust:exact;print-color-adjust:exact}
 a{color:inherit;text-decoration:none}
 .charts{display:block}
 figure.chart{margin:0 0 8px}
 figure.chart svg.bars{max-width:500px}
 .tools,.pager,.hint,p.none{display:none}
 .low-disk,.low-memory{max-height:none;overflow:visible}
 #computers,#changes,#errors,#unseen{page:wide}
 .table-wrap{overflow:visible;border:none}
 table.data{font-size:7pt}
 table.data>tbody>tr,table.data>tbody>tr.off,html.js table.data>tbody>tr:nth-child(n+101){display:table-row}
 table.data td{overflow-wrap:anywhere;white-space:normal !important;max-width:none;min-width:0 !important;padding:1px 3px}
 table.data td[data-p]{font-size:0;white-space:nowrap !important}
 table.data td[data-p]::after{content:attr(data-p);font-size:7pt}
 table.data td.num,#computers td:nth-child(10),#computers td:nth-child(11),#computers td:first-child,#unseen td:first-child,#changes td:first-child,#errors td:first-child{white-space:nowrap !important}
 table.data th{padding:2px 3px;white-space:normal}
 thead{display:table-header-group}
 tr{break-inside:avoid;page-break-inside:avoid}
 h2{break-after:avoid;page-break-after:avoid}
}
)CSS";

const char kReportScript[] = R"JS(
(function () {
  'use strict';
  var root = document.documentElement;
  var dataElement = document.getElementById('report-data');
  var data = dataElement ? JSON.parse(dataElement.textContent) : {};
  var T = JSON.parse(document.getElementById('report-texts').textContent);
  var PAGE = 100;
  // Made at the first sort: setting up a collator costs more than the rest
  // of a computer page's script.
  var collator = null;
  function collate(a, b) {
    if (!collator) collator = new Intl.Collator(root.lang, {numeric: true});
    return collator.compare(a, b);
  }

  function fill(text, values) {
    return text.replace(/\{(\w+)\}/g, function (m, k) { return k in values ? values[k] : m; });
  }
  function button(text, className) {
    var b = document.createElement('button');
    b.type = 'button';
    b.textContent = text;
    b.className = className;
    return b;
  }

  // A spreadsheet would run a cell that starts like a formula: such text
  // is kept as text with a leading apostrophe.
  function csvCell(text) {
    if (/^[=+\-@\t\r]/.test(text)) text = "'" + text;
    return /[",\r\n]/.test(text) ? '"' + text.replace(/"/g, '""') + '"' : text;
  }
  function download(name, heads, rows) {
    var lines = [heads.map(function (th) { return csvCell(th.textContent); }).join(',')];
    rows.forEach(function (tr) {
      lines.push(Array.prototype.map.call(tr.cells, function (td) {
        return csvCell(td.textContent);
      }).join(','));
    });
    var blob = new Blob(['\ufeff' + lines.join('\r\n') + '\r\n'], {type: 'text/csv;charset=utf-8'});
    var a = document.createElement('a');
    a.href = URL.createObjectURL(blob);
    a.download = name + '.csv';
    document.body.appendChild(a);
    a.click();
    setTimeout(function () { URL.revokeObjectURL(a.href); a.remove(); }, 0);
  }

  // One table whose rows are in the page: the script only sorts, filters
  // and pages them. Rows off the current page get the class "off", which
  // print ignores, so paper always has every row.
  // A long table's rows past its first page are in a <noscript> as text
  // until something needs them: made then, in the page's order.
  var tables = {};
  function Table(section) {
    var table = section.querySelector('table.data');
    var tbody = table.tBodies[0];
    var heads = Array.prototype.slice.call(table.tHead.rows[0].cells);
    var rows = Array.prototype.slice.call(tbody.rows);
    var whole = section.querySelector('noscript');
    var total = whole ? Number(section.dataset.rows) : rows.length;
    var pageOrder = whole ? null : rows.slice();
    // Returns the rows in the page's order, whatever sorting came since.
    function makeRows() {
      if (!whole) return pageOrder;
      var template = document.createElement('template');
      template.innerHTML = whole.textContent;
      var all = template.content.querySelector('tbody');
      tbody.replaceWith(all);
      tbody = all;
      rows = Array.prototype.slice.call(tbody.rows);
      view = rows.slice();
      pageOrder = rows.slice();
      lower = null;
      whole.remove();
      whole = null;
      return pageOrder;
    }
    tables[section.id] = makeRows;
    var numeric = heads.map(function (th) { return th.dataset.type === 'num'; });
    var view = rows.slice(), lower = null, sortColumn = -1, sortDirection = 1, page = 0, timer = 0;
    var tools = document.createElement('div');
    var filter = document.createElement('input');
    var save = button(T.download, 'download');
    tools.className = 'tools';
    filter.type = 'search';
    filter.className = 'filter';
    filter.placeholder = T.filter;
    filter.setAttribute('aria-label', T.filter);
    tools.append(filter, save);
    table.parentNode.before(tools);
    var pager = document.createElement('div');
    var range = document.createElement('span');
    var previous = button(T.previous, 'previous'), next = button(T.next, 'next');
    pager.className = 'pager';
    pager.append(previous, next, range);
    table.parentNode.after(pager);
    var empty = document.createElement('p');
    empty.className = 'none';
    empty.textContent = T.none;
    pager.after(empty);
    previous.addEventListener('click', function () { makeRows(); closeDetails(); page--; render(); });
    next.addEventListener('click', function () { makeRows(); closeDetails(); page++; render(); });
    save.addEventListener('click', function () { makeRows(); download(section.id, heads, view); });

    function key(tr, c) {
      var text = tr.cells[c] ? tr.cells[c].textContent : '';
      if (text === '') return null;
      return numeric[c] ? Number(text) : text;
    }
    function compare(a, b) {
      var x = key(a, sortColumn), y = key(b, sortColumn);
      if (x === null || y === null) return x === y ? 0 : (x === null ? 1 : -1);  // blanks last
      var r = numeric[sortColumn] ? x - y : collate(x, y);
      return r * sortDirection;
    }
    function closeDetails() {
      tbody.querySelectorAll('tr.detail').forEach(function (d) {
        d.previousElementSibling.classList.remove('open');
        d.remove();
      });
    }
    function apply() {
      makeRows();
      closeDetails();
      var needle = filter.value.trim().toLowerCase();
      if (needle && !lower) {
        lower = new Map();
        rows.forEach(function (tr) { lower.set(tr, tr.textContent.toLowerCase()); });
      }
      view = rows.filter(function (tr) { return !needle || lower.get(tr).indexOf(needle) >= 0; });
      page = 0;
      render();
    }
    function render() {
      var count = whole ? total : view.length;
      var pages = Math.max(1, Math.ceil(count / PAGE));
      page = Math.min(Math.max(page, 0), pages - 1);
      var start = page * PAGE, end = Math.min(count, start + PAGE);
      var shown = new Set(view.slice(start, end));
      // Only rows whose state changes are touched: a long table stays cheap.
      rows.forEach(function (tr) {
        var off = !shown.has(tr);
        if (off !== tr.classList.contains('off')) tr.classList.toggle('off', off);
      });
      // Under a thousand there is nothing to group: the locale's number
      // format, costly to set up, is left for the tables that need it.
      range.textContent = count === 0 ? '' :
          fill(T.rows, {a: start + 1, b: end, n: count < 1000 ? String(count) : count.toLocaleString()});
      previous.disabled = page === 0;
      next.disabled = page >= pages - 1;
      pager.hidden = count <= PAGE;
      empty.hidden = count > 0;
      section.dataset.shown = count;
    }
    function sortBy(column) {
      sortDirection = column === sortColumn ? -sortDirection : 1;
      sortColumn = column;
      heads.forEach(function (th, i) {
        if (i === column) th.setAttribute('aria-sort', sortDirection > 0 ? 'ascending' : 'descending');
        else th.removeAttribute('aria-sort');
      });
      makeRows();
      closeDetails();
      rows.sort(compare);
      var fragment = document.createDocumentFragment();
      rows.forEach(function (tr) { fragment.appendChild(tr); });
      tbody.appendChild(fragment);
      view.sort(compare);
      page = 0;
      render();
    }
    heads.forEach(function (th, i) {
      th.tabIndex = 0;
      th.addEventListener('click', function () { sortBy(i); });
      th.addEventListener('keydown', function (e) { if (e.key === 'Enter') sortBy(i); });
    });
    filter.addEventListener('input', function () {
      clearTimeout(timer);
      timer = setTimeout(apply, rows.length > 5000 ? 150 : 0);
    });
    render();
  }

  // An application's row opens a line under it with its computers, each with
  // the version it has, linked to the computer's page where there is one.
  function applicationDetails() {
    var apps = document.getElementById('applications');
    if (!apps || !data.installs) return;
    // On the section: a long table's body is replaced when its rows are made.
    apps.addEventListener('click', function (e) {
      var tr = e.target.closest('tr.app');
      if (!tr || e.target.closest('a')) return;
      var open = tr.nextElementSibling;
      if (open && open.classList.contains('detail')) {
        open.remove();
        tr.classList.remove('open');
        return;
      }
      // The installs name computers by their place in the page's order.
      if (!computerRows) computerRows = tables.computers ? tables.computers() : [];
      var installs = [];
      (data.installs[Number(tr.dataset.app)] || []).forEach(function (version) {
        var at = 0;
        version[1].forEach(function (step, k) {
          at = k ? at + step : step;
          installs.push([at, version[0]]);
        });
      });
      installs.sort(function (a, b) { return a[0] - b[0]; });
      var detail = document.createElement('tr'), td = document.createElement('td');
      var label = document.createElement('div'), names = document.createElement('div');
      detail.className = 'detail';
      td.colSpan = tr.cells.length;
      label.textContent = fill(T['with'], {name: tr.cells[0].textContent});
      names.className = 'names';
      installs.forEach(function (pair, k) {
        var cell = computerRows[pair[0]].cells[0], link = cell.querySelector('a');
        var item = document.createElement(link ? 'a' : 'span');
        if (link) item.href = link.getAttribute('href');
        item.textContent = cell.textContent;
        if (k) names.append(', ');
        names.append(item);
        if (pair[1]) {
          var v = document.createElement('span');
          v.className = 'version';
          v.textContent = ' ' + pair[1];
          names.append(v);
        }
      });
      td.append(label, names);
      detail.appendChild(td);
      tr.after(detail);
      tr.classList.add('open');
    });
  }

  // The computers table's rows in the page's order, before any sorting:
  // the installs name computers by it.
  var computerRows = null;
  // The rows are in the HTML: the tables are shown without waiting for their
  // tools, which are set up in a task of their own once the page is parsed.
  // data-ready says they are.
  var setUp = false;
  function setUpTables() {
    if (setUp) return;
    setUp = true;
    document.querySelectorAll('section.table-section').forEach(Table);
    applicationDetails();
    root.classList.remove('js');
    root.dataset.ready = '1';
    // When the tables were set up, for timing the page (navigation start is 0).
    if (window.performance && performance.mark) performance.mark('tables-ready');
  }
  setTimeout(setUpTables, 0);
  // Paper has every row of every table.
  window.addEventListener('beforeprint', function () {
    setUpTables();
    Object.keys(tables).forEach(function (id) { tables[id](); });
  });
})();
)JS";

}  // namespace norvale::fleet
