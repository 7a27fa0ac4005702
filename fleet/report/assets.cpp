// The report page's style sheet and script. Both are written into every page:
// the page must work from a file share with no network, so nothing is linked.
#include "fleet/report/assets.h"

namespace norvale::fleet {

const char kReportStyle[] = R"CSS(
:root{--ink:#1d2430;--muted:#5b6575;--line:#d9dee6;--bar:#3b6ea5;--warn:#b3261e;--bg:#f6f7f9}
*{box-sizing:border-box}
body{margin:0;padding:20px 28px;font:14px/1.45 system-ui,"Segoe UI","Noto Sans CJK JP","VL Gothic","Meiryo",sans-serif;color:var(--ink);background:#fff}
h1{font-size:22px;margin:0 0 2px}
h2{font-size:17px;margin:26px 0 8px;padding-bottom:4px;border-bottom:2px solid var(--line)}
.meta{color:var(--muted);margin:0 0 12px}
.totals{display:flex;flex-wrap:wrap;gap:10px;margin:0}
.totals div{background:var(--bg);border:1px solid var(--line);border-radius:6px;padding:8px 14px;min-width:150px}
.totals dt{font-size:12px;color:var(--muted)}
.totals dd{margin:0;font-size:20px;font-weight:600;font-variant-numeric:tabular-nums}
.charts{display:grid;grid-template-columns:repeat(auto-fit,minmax(520px,1fr));gap:14px}
figure.chart{margin:0;border:1px solid var(--line);border-radius:6px;padding:10px 12px;break-inside:avoid;page-break-inside:avoid}
figcaption{font-weight:600;margin-bottom:6px}
svg.bars{display:block;max-width:100%;height:auto}
svg.bars text{font-size:12px;fill:var(--ink)}
svg.bars text.label{text-anchor:end}
svg.bars text.count{font-weight:600;font-variant-numeric:tabular-nums}
svg.bars rect{fill:var(--bar)}
#chart-disk g.bar:first-child rect{fill:var(--warn)}
.low-disk{margin:6px 0 0;font-size:13px;max-height:7.5em;overflow-y:auto}
.low-disk .pc{color:var(--warn);font-weight:600}
.empty,.hint{color:var(--muted);margin:4px 0}
.filter{width:320px;max-width:100%;padding:5px 8px;margin:0 0 8px;border:1px solid var(--line);border-radius:4px;font:inherit}
.table-wrap{overflow-x:auto;border:1px solid var(--line);border-radius:6px}
table.data{border-collapse:collapse;width:100%;font-size:12px}
table.data th{background:var(--bg);text-align:left;vertical-align:bottom;padding:5px;border-bottom:1px solid var(--line);cursor:pointer;user-select:none}
table.data th[data-type=num]{text-align:right}
table.data th[aria-sort=ascending]::after{content:" \25B2";font-size:10px}
table.data th[aria-sort=descending]::after{content:" \25BC";font-size:10px}
table.data td{padding:3px 5px;border-bottom:1px solid #eef0f3;vertical-align:top;max-width:26em;overflow-wrap:break-word}
table.data td.num{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
#computers td:nth-child(2),#changes td:nth-child(2),#errors td:nth-child(2){white-space:nowrap}
#computers td:nth-child(1){white-space:nowrap}
#computers td:nth-child(3){min-width:9em}
#computers td:nth-child(4){min-width:11em}
table.data td.warn{color:var(--warn);font-weight:600}
#applications tbody tr.app{cursor:pointer}
#applications tbody tr.app:hover,#applications tbody tr.open{background:#eef4fb}
tr.detail td{background:#fafbfc;font-size:12px;color:var(--muted)}
tr.detail .names{color:var(--ink)}
.pager{display:flex;gap:8px;align-items:center;margin:6px 0 0;color:var(--muted);font-size:13px}
.pager button{font:inherit;padding:2px 10px;border:1px solid var(--line);border-radius:4px;background:#fff;cursor:pointer}
.pager button:disabled{opacity:.4;cursor:default}
@page{size:A4;margin:12mm}
@media print{
 body{padding:0;font-size:10pt;-webkit-print-color-adjust:exact;print-color-adjust:exact}
 .charts{display:block}
 figure.chart{margin:0 0 8px}
 figure.chart svg.bars{max-width:500px}
 .filter,.pager button,.hint{display:none}
 .low-disk{max-height:none;overflow:visible}
 .table-wrap{overflow:visible;border:none}
 table.data{font-size:7.5pt}
 table.data td{overflow-wrap:anywhere;white-space:normal !important;max-width:none;min-width:0 !important;padding:2px 3px}
 table.data th{padding:2px 3px}
 table.data th{cursor:default}
 thead{display:table-header-group}
 tr{break-inside:avoid;page-break-inside:avoid}
 h2{break-after:avoid;page-break-after:avoid}
}
)CSS";

const char kReportScript[] = R"JS(
(function () {
  'use strict';
  var data = JSON.parse(document.getElementById('report-data').textContent);
  var T = data.texts;
  var PAGE = 100;
  var collator = new Intl.Collator(document.documentElement.lang, {numeric: true});

  function fill(text, values) {
    return text.replace(/\{(\w+)\}/g, function (m, k) { return k in values ? values[k] : m; });
  }
  function shown(v) { return v === null || v === undefined ? '' : String(v); }

  // One table: rows are arrays of cells (text, number or null). Only the
  // current page is in the DOM, so a 10,000-row table opens as fast as a
  // short one; sorting and filtering work on the whole array.
  function Table(id, rows, options) {
    var section = document.getElementById(id);
    var tbody = section.querySelector('tbody');
    var heads = section.querySelectorAll('thead th');
    var pager = section.querySelector('.pager');
    var filter = section.querySelector('.filter');
    var numeric = Array.prototype.map.call(heads, function (th) { return th.dataset.type === 'num'; });
    var view = rows.map(function (_, i) { return i; });
    var lower = null, sortColumn = -1, sortDirection = 1, page = 0, timer = 0;

    var range = document.createElement('span');
    var previous = document.createElement('button');
    var next = document.createElement('button');
    previous.type = next.type = 'button';
    previous.textContent = T.previous;
    next.textContent = T.next;
    previous.className = 'previous';
    next.className = 'next';
    pager.append(previous, next, range);
    previous.addEventListener('click', function () { page--; render(); });
    next.addEventListener('click', function () { page++; render(); });

    function compare(a, b) {
      var x = rows[a][sortColumn], y = rows[b][sortColumn];
      var xe = x === null || x === '', ye = y === null || y === '';
      if (xe || ye) return xe === ye ? a - b : (xe ? 1 : -1);  // blanks last either way
      var r = numeric[sortColumn] ? x - y : collator.compare(x, y);
      return r === 0 ? a - b : r * sortDirection;
    }
    function apply() {
      var needle = filter.value.trim().toLowerCase();
      if (needle && !lower) {
        lower = rows.map(function (r) { return r.map(shown).join('\u0001').toLowerCase(); });
      }
      view = [];
      for (var i = 0; i < rows.length; i++) {
        if (!needle || lower[i].indexOf(needle) >= 0) view.push(i);
      }
      if (sortColumn >= 0) view.sort(compare);
      page = 0;
      render();
    }
    function render() {
      var pages = Math.max(1, Math.ceil(view.length / PAGE));
      page = Math.min(Math.max(page, 0), pages - 1);
      var start = page * PAGE, end = Math.min(view.length, start + PAGE);
      var fragment = document.createDocumentFragment();
      for (var k = start; k < end; k++) {
        var row = rows[view[k]], tr = document.createElement('tr');
        tr.dataset.row = view[k];
        for (var c = 0; c < row.length; c++) {
          var td = document.createElement('td');
          td.textContent = shown(row[c]);
          if (numeric[c]) td.className = 'num';
          tr.appendChild(td);
        }
        if (options.decorate) options.decorate(tr, view[k]);
        fragment.appendChild(tr);
      }
      if (view.length === 0) {
        var empty = document.createElement('tr'), cell = document.createElement('td');
        cell.colSpan = heads.length;
        cell.className = 'none';
        cell.textContent = T.none;
        empty.appendChild(cell);
        fragment.appendChild(empty);
      }
      tbody.textContent = '';
      tbody.appendChild(fragment);
      range.textContent = view.length === 0 ? '' :
          fill(T.rows, {a: start + 1, b: end, n: view.length.toLocaleString()});
      previous.disabled = page === 0;
      next.disabled = page >= pages - 1;
      section.dataset.shown = view.length;
    }
    function sortBy(column) {
      sortDirection = column === sortColumn ? -sortDirection : 1;
      sortColumn = column;
      heads.forEach(function (th, i) {
        if (i === column) th.setAttribute('aria-sort', sortDirection > 0 ? 'ascending' : 'descending');
        else th.removeAttribute('aria-sort');
      });
      view.sort(compare);
      page = 0;
      render();
    }
    heads.forEach(function (th, i) {
      th.addEventListener('click', function () { sortBy(i); });
      th.addEventListener('keydown', function (e) { if (e.key === 'Enter') sortBy(i); });
    });
    filter.addEventListener('input', function () {
      clearTimeout(timer);
      timer = setTimeout(apply, rows.length > 5000 ? 150 : 0);
    });
    if (options.sortBy !== undefined) {
      sortDirection = options.descending ? 1 : -1;  // sortBy flips it back
      sortColumn = options.sortBy;
      sortBy(options.sortBy);
    } else {
      render();
    }
  }

  var computers = data.computers;
  Table('computers', computers, {
    decorate: function (tr, i) {
      var c = computers[i];
      if (c[8] !== null && c[8] < 10) tr.children[8].classList.add('warn');
      if (c[13] > 0) tr.children[13].classList.add('warn');
    }
  });

  var apps = data.applications;
  Table('applications', apps.map(function (a) {
    return [a[0], a[1], a[2].join(', '), a[3].length];
  }), {
    sortBy: 3,  // the most common applications first
    descending: true,
    decorate: function (tr) { tr.className = 'app'; }
  });
  // An application's row opens a line under it with the computers it is on.
  document.querySelector('#applications tbody').addEventListener('click', function (e) {
    var tr = e.target.closest('tr.app');
    if (!tr) return;
    var open = tr.nextElementSibling;
    if (open && open.classList.contains('detail')) {
      open.remove();
      tr.classList.remove('open');
      return;
    }
    var app = apps[Number(tr.dataset.row)];
    var detail = document.createElement('tr'), td = document.createElement('td');
    var label = document.createElement('div'), names = document.createElement('div');
    detail.className = 'detail';
    td.colSpan = tr.children.length;
    label.textContent = fill(T['with'], {name: app[0]});
    names.className = 'names';
    names.textContent = app[3].map(function (i) { return computers[i][0]; }).join(', ');
    td.append(label, names);
    detail.appendChild(td);
    tr.after(detail);
    tr.classList.add('open');
  });

  Table('changes', data.changes.map(function (c) {
    var r = c.slice();
    if (['added', 'removed', 'changed'].indexOf(c[2]) >= 0) r[2] = T[c[2]];
    return r;
  }), {});
  Table('errors', data.errors, {});
  document.documentElement.dataset.ready = '1';
})();
)JS";

}  // namespace norvale::fleet
