// Marks the page as scripted, and offers to fold the table of contents.
document.addEventListener('DOMContentLoaded', function () {
    document.body.className += ' js-ready';
    var toc = document.querySelector('.toc');
    if (!toc) return;
    var toggle = document.createElement('p');
    toggle.id = 'toc-toggle';
    toggle.textContent = 'Hide the contents';
    toggle.onclick = function () {
        var list = toc.querySelector('dl');
        list.style.display = list.style.display === 'none' ? '' : 'none';
    };
    toc.insertBefore(toggle, toc.firstChild);
});
